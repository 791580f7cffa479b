// A VST 2.4 plug-in file opened with the dynamic loader. The library stays
// mapped while this object lives; instances created from it must be closed
// before it goes away.
#pragma once

#include <string>

#include "plugin/vst2/vst2.h"

namespace vsthost {

class plugin_library {
 public:
  plugin_library() = default;
  ~plugin_library();
  plugin_library(const plugin_library&) = delete;
  plugin_library& operator=(const plugin_library&) = delete;

  // Maps the file and finds its entry, "VSTPluginMain" or else the older "main".
  // On failure returns false with the loader's reason in error.
  bool open(const std::string& path, std::string& error);
  void close();

  bool is_open() const { return handle_ != nullptr; }
  VstEntryProc entry() const { return entry_; }
  const std::string& path() const { return path_; }

 private:
  void* handle_ = nullptr;
  VstEntryProc entry_ = nullptr;
  std::string path_;
};

}  // namespace vsthost
