// Faults found where no error can be returned (inside a call from the
// module, or while unloading in a destructor) end the process with a message
// that names the fault, so that a test run cannot pass over them.
#pragma once

#include <string>

namespace peloader {

[[noreturn]] void Fatal(const std::string& message);

}  // namespace peloader
