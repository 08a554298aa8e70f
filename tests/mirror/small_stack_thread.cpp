#include "tests/mirror/small_stack_thread.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace orvel::mirror_test {

namespace {

struct Job {
  void (*routine)(void*);
  void* argument;
};

#if defined(_WIN32)
DWORD WINAPI Start(void* job) {
  static_cast<Job*>(job)->routine(static_cast<Job*>(job)->argument);
  return 0;
}
#else
void* Start(void* job) {
  static_cast<Job*>(job)->routine(static_cast<Job*>(job)->argument);
  return nullptr;
}
#endif

}  // namespace

bool RunOnSmallStack(std::size_t stackBytes, void (*routine)(void*), void* argument) {
  Job job{routine, argument};
#if defined(_WIN32)
  // std::thread cannot choose a stack size; a reservation of this size is
  // all the thread can ever grow to.
  HANDLE thread = CreateThread(nullptr, stackBytes, Start, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
#else
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                       pthread_create(&thread, &attributes, Start, &job) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return false;
  pthread_join(thread, nullptr);
  return true;
#endif
}

}  // namespace orvel::mirror_test
