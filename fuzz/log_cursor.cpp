#include "fuzz/log_cursor.h"

#include "fuzz/invariant.h"

namespace orvel::fuzz {

using host::Call;
using host::Method;
using host::TestNode;

std::string Label(const TestNode* node) { return node == nullptr ? "null" : "#" + std::to_string(node->id()); }

const Call* LogCursor::Peek() const {
  const auto& calls = log_.calls();
  return at_ < calls.size() ? &calls[at_] : nullptr;
}

bool LogCursor::NextIs(Method method, const TestNode* node) const {
  const Call* next = Peek();
  return next != nullptr && next->method == method && next->node == node;
}

const Call& LogCursor::Expect(Method method, const TestNode* node) {
  if (!NextIs(method, node)) Fail("expected " + Label(node) + "." + host::MethodName(method) + "(...)");
  return log_.calls()[at_++];
}

const Call& LogCursor::Expect(Method method, const TestNode* node, const TestNode* other, int32_t integer) {
  const Call& call = Expect(method, node);
  if (call.other != other || call.integer != integer) {
    --at_;
    Fail("expected " + Label(node) + "." + host::MethodName(method) + " with " + Label(other) + " and " +
         std::to_string(integer));
  }
  return call;
}

void LogCursor::ExpectEnd() {
  if (Peek() != nullptr) Fail("expected no further call");
}

void LogCursor::Fail(const std::string& what) const {
  const auto& calls = log_.calls();
  std::string detail = what + " at call " + std::to_string(at_) + " of " + std::to_string(calls.size()) + ":";
  const std::size_t from = at_ >= 4 ? at_ - 4 : 0;
  for (std::size_t i = from; i < calls.size() && i < at_ + 3; ++i) {
    detail += (i == at_ ? "\n  > " : "\n    ") + log_.Describe(calls[i]);
  }
  if (at_ >= calls.size()) detail += "\n  > (end of log)";
  Violated(invariant_, detail);
}

}  // namespace orvel::fuzz
