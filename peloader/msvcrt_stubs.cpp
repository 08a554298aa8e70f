// The msvcrt functions and data the mingw CRT of a module uses: memory and
// strings go straight to the C library; stdio knows only the standard
// streams, which a module reaches through the _iob array.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "peloader/fatal.h"
#include "peloader/module_calls.h"
#include "peloader/stub_table.h"

namespace peloader {

namespace {

// msvcrt's 32-bit FILE: 32 bytes. Modules compute &_iob[2] for stderr, so
// only the entries' addresses matter; their contents are never read here.
struct MsvcrtFile {
  uint8_t opaque[32];
};
constexpr int kIobEntries = 20;
MsvcrtFile g_iob[kIobEntries];

FILE* HostStream(const void* stream) {
  if (stream == &g_iob[0]) return stdin;
  if (stream == &g_iob[1]) return stdout;
  if (stream == &g_iob[2]) return stderr;
  return nullptr;
}

using InitFunction = void (*)();

namespace msvcrt {

void* PELOADER_CDECL malloc(size_t size) { return std::malloc(size); }
void* PELOADER_CDECL calloc(size_t count, size_t size) { return std::calloc(count, size); }
void* PELOADER_CDECL realloc(void* block, size_t size) { return std::realloc(block, size); }
void PELOADER_CDECL free(void* block) { std::free(block); }

void* PELOADER_CDECL memcpy(void* to, const void* from, size_t size) { return std::memcpy(to, from, size); }
void* PELOADER_CDECL memmove(void* to, const void* from, size_t size) { return std::memmove(to, from, size); }
void* PELOADER_CDECL memset(void* to, int value, size_t size) { return std::memset(to, value, size); }
int PELOADER_CDECL memcmp(const void* a, const void* b, size_t size) { return std::memcmp(a, b, size); }
size_t PELOADER_CDECL strlen(const char* text) { return std::strlen(text); }
int PELOADER_CDECL strcmp(const char* a, const char* b) { return std::strcmp(a, b); }
int PELOADER_CDECL strncmp(const char* a, const char* b, size_t size) { return std::strncmp(a, b, size); }

// Runs the module's initializers in [begin, end): C++ constructors and the
// CRT's own start-up routines, each a call into the module.
void PELOADER_CDECL _initterm(InitFunction* begin, InitFunction* end) {
  for (InitFunction* entry = begin; entry < end; ++entry) {
    if (*entry != nullptr) CallNoArgumentsOrDie(reinterpret_cast<const void*>(*entry), "an initializer");
  }
}

// The CRT locks its exit-routine table; with one thread there is nothing to
// wait for.
void PELOADER_CDECL _lock(int) {}
void PELOADER_CDECL _unlock(int) {}

[[noreturn]] void PELOADER_CDECL _amsg_exit(int code) {
  Fatal("the module's CRT stopped with run-time error " + std::to_string(code));
}

[[noreturn]] void PELOADER_CDECL abort() { Fatal("the module called abort()"); }

size_t PELOADER_CDECL fwrite(const void* data, size_t size, size_t count, void* stream) {
  FILE* host = HostStream(stream);
  return host != nullptr ? std::fwrite(data, size, count, host) : 0;
}

// Both ABIs pass a va_list as a pointer to the arguments on the stack. The
// format is the C library's, which matches msvcrt for what CRT messages use
// (%s, %d, %p, %x).
int PELOADER_CDECL vfprintf(void* stream, const char* format, va_list arguments) {
  FILE* host = HostStream(stream);
  return host != nullptr ? std::vfprintf(host, format, arguments) : -1;
}

void* PELOADER_CDECL __iob_func() { return g_iob; }

}  // namespace msvcrt

#define STUB(name) {#name, reinterpret_cast<const void*>(&msvcrt::name)}
const Stub kStubs[] = {
    STUB(__iob_func), STUB(_amsg_exit), STUB(_initterm), {"_iob", g_iob}, STUB(_lock), STUB(_unlock),
    STUB(abort),      STUB(calloc),     STUB(free),      STUB(fwrite),    STUB(malloc), STUB(memcmp),
    STUB(memcpy),     STUB(memmove),    STUB(memset),    STUB(realloc),   STUB(strcmp), STUB(strlen),
    STUB(strncmp),    STUB(vfprintf),
};
#undef STUB

}  // namespace

StubList MsvcrtStubs() { return {kStubs, sizeof kStubs / sizeof kStubs[0]}; }

}  // namespace peloader
