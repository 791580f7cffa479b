// A VST 3 module opened the way hosts open one: the bundle's binary for this
// platform loaded, its entry function called (ModuleEntry with the loader's
// handle on Linux, InitDll on Windows when exported), its factory taken. The
// exit function runs and the binary is unloaded when this object goes, so
// every object made from the factory must be released first.
#pragma once

#include <string>

#include "plugin/vst3/vst3_abi.h"

namespace vst3host {

class module_library {
 public:
  module_library() = default;
  ~module_library();
  module_library(const module_library&) = delete;
  module_library& operator=(const module_library&) = delete;

  // path: a bundle folder (name.vst3) or the binary itself. False with a
  // reason when it cannot be loaded or lacks a required entry point.
  bool open(const std::string& path, std::string& error);
  void close();

  vst3::IPluginFactory* factory() const { return factory_; }
  const std::string& binary_path() const { return binary_; }
  // The binary's place inside a bundle on this platform: "x86_64-linux/vorn.so".
  static std::string binary_in_bundle(const std::string& bundle);

 private:
  // Platform halves (module_library_posix.cpp, module_library_win32.cpp).
  bool load(const std::string& binary, std::string& error);
  void unload();

  void* handle_ = nullptr;
  vst3::IPluginFactory* factory_ = nullptr;
  std::string binary_;
};

}  // namespace vst3host
