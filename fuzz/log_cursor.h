// Reads a scene's call log one call at a time against what a run should
// have called, and reports the first departure with the calls around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/scene.h"

namespace orvel::fuzz {

class LogCursor {
 public:
  LogCursor(const host::CallLog& log, const char* invariant) : log_(log), invariant_(invariant) {}

  // The next call, or null at the end of the log.
  const host::Call* Peek() const;
  bool NextIs(host::Method method, const host::TestNode* node) const;

  // The next call, which must be `method` on `node`; its result or node
  // argument is not judged.
  const host::Call& Expect(host::Method method, const host::TestNode* node);
  // The same, and its `other` and `integer` must be as given.
  const host::Call& Expect(host::Method method, const host::TestNode* node, const host::TestNode* other,
                           int32_t integer);
  void ExpectEnd();

  [[noreturn]] void Fail(const std::string& what) const;

 private:
  const host::CallLog& log_;
  const char* invariant_;
  std::size_t at_ = 0;
};

// "#12" for a node, "null" for none.
std::string Label(const host::TestNode* node);

}  // namespace orvel::fuzz
