// Replays fuzzer inputs as host sessions without the fuzzer, on every target
// the tests run on:
//
//   session_replay pinmark|twinflip [--trace] <file or directory>...
//
// Each file is one session; a directory stands for the files in it. A broken
// invariant aborts with its name; otherwise the program reports how many
// sessions it ran.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/invariant.h"
#include "fuzz/session.h"

namespace {

namespace fs = std::filesystem;

bool Replay(orvel::fuzz::Deliverable deliverable, const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: cannot be read\n", path.string().c_str());
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (orvel::fuzz::TraceActions) std::fprintf(stderr, "session %s\n", path.string().c_str());
  orvel::fuzz::RunSession(deliverable, bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "pinmark") != 0 && std::strcmp(argv[1], "twinflip") != 0)) {
    std::fprintf(stderr, "usage: %s pinmark|twinflip [--trace] <file or directory>...\n", argv[0]);
    return 2;
  }
  const auto deliverable =
      std::strcmp(argv[1], "twinflip") == 0 ? orvel::fuzz::Deliverable::kTwinflip : orvel::fuzz::Deliverable::kPinmark;
  std::size_t sessions = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) {
      orvel::fuzz::TraceActions = true;
      continue;
    }
    const fs::path path(argv[i]);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const fs::path& file : files) {
        if (!Replay(deliverable, file)) return 1;
        ++sessions;
      }
    } else {
      if (!Replay(deliverable, path)) return 1;
      ++sessions;
    }
  }
  std::printf("%zu sessions against %s, every invariant held\n", sessions, argv[1]);
  return 0;
}
