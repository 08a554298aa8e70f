// Numbers in error messages: addresses and sizes in hexadecimal, the way the
// dump tools show them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace peloader {

inline std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace peloader
