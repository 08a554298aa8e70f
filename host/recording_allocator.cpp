#include "host/recording_allocator.h"

#include <cstdio>
#include <cstdlib>

namespace orvel::host {

void* RecordingAllocator::Allocate(uint32_t bytes) {
  const uint64_t ordinal = ++requests_;
  if ((refuseFrom_ != 0 && ordinal >= refuseFrom_) || ordinal == refuseNth_) {
    ++refusals_;
    return nullptr;
  }
  // Never a zero-byte block, so that every grant has an address of its own.
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) {
    ++refusals_;
    return nullptr;
  }
  live_.emplace(block, bytes);
  liveBytes_ += bytes;
  if (liveBytes_ > peakBytes_) peakBytes_ = liveBytes_;
  return block;
}

void RecordingAllocator::Free(void* block) {
  ++frees_;
  auto found = live_.find(block);
  if (found == live_.end()) {
    char line[96];
    std::snprintf(line, sizeof line, "free of %p, which this host does not hold (double or foreign free)", block);
    faults_.emplace_back(line);
    return;
  }
  liveBytes_ -= found->second;
  live_.erase(found);
  std::free(block);
}

std::string RecordingAllocator::LeakReport() const {
  std::string report;
  for (const auto& [block, bytes] : live_) {
    char line[96];
    std::snprintf(line, sizeof line, "leaked block %p of %zu bytes\n", block, bytes);
    report += line;
  }
  return report;
}

// Leaked blocks go back to the process when the host goes, so that a test
// that reports a leak does not also trip the process's own leak checker.
RecordingAllocator::~RecordingAllocator() {
  for (const auto& entry : live_) std::free(const_cast<void*>(entry.first));
}

}  // namespace orvel::host
