#include "platform/module_path.h"
#include "tools/render/options.h"

namespace render {

// The platform layer linked into this program reports the program itself.
std::string default_plugin_path() { return platform::this_module().directory + "vorn.dll"; }

}  // namespace render
