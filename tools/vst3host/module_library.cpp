#include "tools/vst3host/module_library.h"

namespace vst3host {

module_library::~module_library() { close(); }

bool module_library::open(const std::string& path, std::string& error) {
  close();
  std::string bundle = path;
  while (bundle.size() > 1 && (bundle.back() == '/' || bundle.back() == '\\')) bundle.pop_back();
  const std::string binary = binary_in_bundle(bundle);  // the path itself when not a folder
  if (!load(binary, error)) return false;
  binary_ = binary;
  return true;
}

void module_library::close() {
  if (factory_) factory_->release();
  factory_ = nullptr;
  unload();
  binary_.clear();
}

}  // namespace vst3host
