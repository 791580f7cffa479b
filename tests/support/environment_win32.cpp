#include <windows.h>

#include <cstdlib>

#include "platform/utf16_win32.h"
#include "tests/support/scratch.h"

namespace test_support {

// Both copies of the environment: the process's own, which the platform layer
// reads, and the C runtime's, which getenv reads.
void set_environment(const char* name, const std::string& value) {
  std::wstring wide_name, wide_value;
  platform::to_utf16(name, wide_name);
  platform::to_utf16(value, wide_value);
  _wputenv_s(wide_name.c_str(), wide_value.c_str());
  SetEnvironmentVariableW(wide_name.c_str(), value.empty() ? nullptr : wide_value.c_str());
}

}  // namespace test_support
