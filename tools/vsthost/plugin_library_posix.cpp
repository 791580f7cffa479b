#include <dlfcn.h>

#include <cstdio>

#include "platform/file_open.h"
#include "tools/vsthost/plugin_library.h"

namespace vsthost {

namespace {

bool in_working_folder(const std::string& name) {
  std::FILE* f = platform::open_file(name, "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

plugin_library::~plugin_library() { close(); }

bool plugin_library::open(const std::string& path, std::string& error) {
  close();
  // RTLD_LOCAL keeps the plug-in's symbols out of the global namespace, so two
  // plug-ins exporting the same names do not resolve into each other.
  // A bare name of a file in the working folder means that file, as on any
  // command line; dlopen alone would look for it only in the system's library
  // folders (and report a plug-in that is right there as missing). Other bare
  // names are still found along the system's search path.
  const bool here = path.find('/') == std::string::npos && in_working_folder(path);
  void* handle = dlopen((here ? "./" + path : path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = "cannot load " + path + ": " + (why ? why : "unknown loader error");
    return false;
  }
  void* entry = dlsym(handle, "VSTPluginMain");
  if (!entry) entry = dlsym(handle, "main");
  if (!entry) {
    dlclose(handle);
    error = path + ": not a VST 2 plug-in: no VSTPluginMain (nor main) entry";
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
