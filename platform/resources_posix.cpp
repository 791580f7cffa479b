// ELF modules: the resource table is the section vorn_resources, whose bounds
// the linker publishes as __start_ and __stop_ symbols.
#include "platform/resources.h"

// Weak, so that a module built without resources still links and finds nothing.
extern "C" {
extern const uint8_t __start_vorn_resources[] __attribute__((weak, visibility("hidden")));
extern const uint8_t __stop_vorn_resources[] __attribute__((weak, visibility("hidden")));
}

namespace platform {

resource_blob resource_table() {
  if (!__start_vorn_resources || !__stop_vorn_resources) return {};
  return {__start_vorn_resources, size_t(__stop_vorn_resources - __start_vorn_resources)};
}

resource_blob find_resource(const char* type, const char* name) {
  const resource_blob table = resource_table();
  return find_in_table(table.data, table.size, type, name);
}

}  // namespace platform
