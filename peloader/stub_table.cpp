#include "peloader/stub_table.h"

#include <cctype>

namespace peloader {

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

const void* FindIn(StubList list, std::string_view symbol) {
  for (size_t i = 0; i < list.count; ++i) {
    if (symbol == list.stubs[i].name) return list.stubs[i].address;
  }
  return nullptr;
}

}  // namespace

const void* FindStub(std::string_view dll, std::string_view symbol) {
  if (SameNameIgnoringCase(dll, "kernel32.dll")) return FindIn(Kernel32Stubs(), symbol);
  if (SameNameIgnoringCase(dll, "msvcrt.dll")) return FindIn(MsvcrtStubs(), symbol);
  return nullptr;
}

}  // namespace peloader
