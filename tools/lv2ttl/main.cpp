// vorn-lv2ttl: writes the Turtle of the LV2 bundles at build time.
//
//   vorn-lv2ttl FACTORY_DIR PLUGIN_BUNDLE PRESET_BUNDLE
//
// FACTORY_DIR is the factory bank build's output (sounds.tsv and the files
// it names); PLUGIN_BUNDLE receives manifest.ttl and vorn.ttl, PRESET_BUNDLE
// manifest.ttl and presets.ttl. Both folders must exist.
#include <cstdio>
#include <fstream>

#include "tools/lv2ttl/plugin_ttl.h"
#include "tools/lv2ttl/preset_ttl.h"

namespace {

bool store(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (out) return true;
  std::fprintf(stderr, "vorn-lv2ttl: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vorn-lv2ttl FACTORY_DIR PLUGIN_BUNDLE PRESET_BUNDLE\n");
    return 2;
  }
  const std::string bundle = argv[2];
  if (!store(bundle + "/manifest.ttl", lv2ttl::plugin_manifest()) ||
      !store(bundle + "/vorn.ttl", lv2ttl::plugin_description()))
    return 1;
  return lv2ttl::write_presets(argv[1], argv[3], lv2ttl::port_symbols()) ? 0 : 1;
}
