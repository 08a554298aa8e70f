// How the session harness reports a broken invariant: one line naming the
// invariant and what was seen, then abort, so that the fuzzer keeps the
// input and a replay of it fails.
#pragma once

#include <string>

namespace orvel::fuzz {

// The invariants, as they are named in the message.
namespace invariant {
inline constexpr const char* kReferences = "reference counts match what the host holds";
inline constexpr const char* kUnloadAnswer = "DllCanUnloadNow agrees with the live objects and locks";
inline constexpr const char* kHostMemory = "no foreign or double free";
inline constexpr const char* kLeak = "no leak when the session ends";
inline constexpr const char* kHostBlocks = "the host's live blocks are those of the live factories and objects";
inline constexpr const char* kFinitePlace = "the place step writes no non-finite value";
inline constexpr const char* kMirrorLog = "the mirror's call log matches the recursive definition";
inline constexpr const char* kPivotLog = "the pivot run's call log matches its definition";
inline constexpr const char* kAnswers = "each call gives its documented answer";
inline constexpr const char* kOperationData = "OperationData holds what the host wrote";
inline constexpr const char* kScene = "the scene sees no misuse";
}  // namespace invariant

[[noreturn]] void Violated(const char* invariant, const std::string& detail);

// Set by the replay program: Note prints each action as it is made.
extern bool TraceActions;
void Note(const char* format, ...);

}  // namespace orvel::fuzz
