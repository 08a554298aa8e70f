// The host's memory, as the modules see it through HostServices. Every block
// is tracked with its size so that tests can see leaks, double frees and
// blocks given back to a host that never handed them out, and the allocator
// can be told to refuse memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvel::host {

class RecordingAllocator {
 public:
  // A fresh block, or null when refused. Every request counts, refused or not.
  void* Allocate(uint32_t bytes);
  // Gives back a block; a block this allocator does not hold is recorded as a
  // fault (double free, or a block from elsewhere) and left alone.
  void Free(void* block);

  // Refusal policies, judged by the 1-based ordinal of each request.
  void RefuseAll() { refuseFrom_ = 1; }
  void RefuseNth(uint64_t ordinal) { refuseNth_ = ordinal; }
  // Requests after the first `granted` ones from now are refused.
  void RefuseAfter(uint64_t granted) { refuseFrom_ = requests_ + granted + 1; }
  void AllowAll() { refuseFrom_ = 0; refuseNth_ = 0; }

  uint64_t requests() const { return requests_; }
  uint64_t refusals() const { return refusals_; }
  uint64_t frees() const { return frees_; }
  std::size_t liveBlocks() const { return live_.size(); }
  std::size_t liveBytes() const { return liveBytes_; }
  std::size_t peakBytes() const { return peakBytes_; }
  void ResetPeak() { peakBytes_ = liveBytes_; }
  bool Holds(const void* block) const { return live_.count(block) != 0; }

  const std::vector<std::string>& faults() const { return faults_; }
  // One line per live block; empty when nothing leaks.
  std::string LeakReport() const;

  ~RecordingAllocator();

 private:
  uint64_t requests_ = 0;
  uint64_t refusals_ = 0;
  uint64_t frees_ = 0;
  uint64_t refuseFrom_ = 0;  // 0: no lower bound
  uint64_t refuseNth_ = 0;   // 0: none
  std::size_t liveBytes_ = 0;
  std::size_t peakBytes_ = 0;
  std::unordered_map<const void*, std::size_t> live_;
  std::vector<std::string> faults_;
};

}  // namespace orvel::host
