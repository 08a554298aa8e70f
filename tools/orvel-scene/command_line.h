// orvel-scene [OPTIONS] [SCENE.json] [STEP...]
//
// Options may stand anywhere before "--"; a first word that is not a module
// word names the scene file. Every problem is an InputError.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvel::scene_tool {

struct CommandLine {
  std::optional<std::string> sceneFile;
  std::optional<std::string> pinmarkFile;
  std::optional<std::string> twinflipFile;
  std::vector<std::string> moduleFiles;  // --module: either class
  std::optional<std::string> svgFile;
  bool trace = false;
  bool json = false;
  bool help = false;
  std::vector<std::string> stepWords;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

extern const char kUsage[];

}  // namespace orvel::scene_tool
