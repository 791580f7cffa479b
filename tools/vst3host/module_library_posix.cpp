#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include "tools/vst3host/module_library.h"

namespace vst3host {

namespace {

bool is_folder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string stem(const std::string& bundle) {
  const size_t slash = bundle.rfind('/');
  std::string name = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
  return name.substr(0, name.size() - 5);  // less ".vst3"
}

}  // namespace

std::string module_library::binary_in_bundle(const std::string& bundle) {
  if (!is_folder(bundle)) return bundle;  // a single binary named .vst3
  struct utsname u;
  const std::string machine = uname(&u) == 0 ? u.machine : "x86_64";
  return bundle + "/Contents/" + machine + "-linux/" + stem(bundle) + ".so";
}

bool module_library::load(const std::string& binary, std::string& error) {
  const std::string file = binary.find('/') == std::string::npos ? "./" + binary : binary;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = "cannot load " + binary + ": " + (why ? why : "unknown loader error");
    return false;
  }
  auto entry = reinterpret_cast<vst3::ModuleEntryProc>(dlsym(handle, "ModuleEntry"));
  auto get_factory = reinterpret_cast<vst3::GetFactoryProc>(dlsym(handle, "GetPluginFactory"));
  if (!entry || !get_factory || !dlsym(handle, "ModuleExit")) {
    dlclose(handle);
    error = binary + ": not a VST 3 module: GetPluginFactory, ModuleEntry or ModuleExit missing";
    return false;
  }
  if (!entry(handle)) {
    dlclose(handle);
    error = binary + ": ModuleEntry refused";
    return false;
  }
  handle_ = handle;
  factory_ = get_factory();
  if (!factory_) {
    unload();
    error = binary + ": GetPluginFactory gave no factory";
    return false;
  }
  return true;
}

void module_library::unload() {
  if (!handle_) return;
  if (auto exit = reinterpret_cast<vst3::ModuleExitProc>(dlsym(handle_, "ModuleExit"))) exit();
  dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace vst3host
