#include <cstdlib>

#include "tests/support/scratch.h"

namespace test_support {

void set_environment(const char* name, const std::string& value) {
  if (value.empty())
    ::unsetenv(name);
  else
    ::setenv(name, value.c_str(), 1);
}

}  // namespace test_support
