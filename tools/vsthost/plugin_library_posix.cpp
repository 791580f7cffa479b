#include <dlfcn.h>

#include "tools/vsthost/plugin_library.h"

namespace vsthost {

plugin_library::~plugin_library() { close(); }

bool plugin_library::open(const std::string& path, std::string& error) {
  close();
  // RTLD_LOCAL keeps the plug-in's symbols out of the global namespace, so two
  // plug-ins exporting the same names do not resolve into each other.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = "cannot load " + path + ": " + (why ? why : "unknown loader error");
    return false;
  }
  void* entry = dlsym(handle, "VSTPluginMain");
  if (!entry) entry = dlsym(handle, "main");
  if (!entry) {
    dlclose(handle);
    error = path + " exports neither VSTPluginMain nor main";
    return false;
  }
  handle_ = handle;
  entry_ = reinterpret_cast<VstEntryProc>(entry);
  path_ = path;
  return true;
}

void plugin_library::close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
  entry_ = nullptr;
  path_.clear();
}

}  // namespace vsthost
