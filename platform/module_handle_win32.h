// The module (DLL or program) that holds this code: what the resource and
// module-name functions of Win32 are asked about.
#pragma once

#include <windows.h>

namespace platform {

HMODULE own_module();

}  // namespace platform
