// A library that looks like a module but lacks DllCanUnloadNow: the host
// must refuse it before running anything in it.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) int32_t DllInitRDCom(void*) { return 0; }
__attribute__((visibility("default"))) int32_t DllGetClassObject(const void*, const void*, void** out) {
  *out = nullptr;
  return static_cast<int32_t>(0x80004005u);
}
}
