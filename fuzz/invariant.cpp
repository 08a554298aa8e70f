#include "fuzz/invariant.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace orvel::fuzz {

bool TraceActions = false;

void Violated(const char* invariant, const std::string& detail) {
  std::fprintf(stderr, "invariant violated: %s: %s\n", invariant, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

void Note(const char* format, ...) {
  if (!TraceActions) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

}  // namespace orvel::fuzz
