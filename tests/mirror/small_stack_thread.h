// Runs a routine on a thread of its own with a small, fixed stack, the way a
// host might call a module from a worker thread.
#pragma once

#include <cstddef>

namespace orvel::mirror_test {

// Runs `routine(argument)` on a new thread whose stack is `stackBytes`, and
// waits for it. False when no such thread could be started.
bool RunOnSmallStack(std::size_t stackBytes, void (*routine)(void*), void* argument);

}  // namespace orvel::mirror_test
