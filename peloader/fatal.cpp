#include "peloader/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace peloader {

void Fatal(const std::string& message) {
  std::fprintf(stderr, "peloader: %s\n", message.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace peloader
