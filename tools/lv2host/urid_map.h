// The host's URI <-> URID table, handed to plug-ins as urid:map and
// urid:unmap. Single-threaded use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

namespace lv2host {

class urid_map {
 public:
  urid_map();
  urid_map(const urid_map&) = delete;
  urid_map& operator=(const urid_map&) = delete;

  LV2_URID map(const char* uri);
  const char* unmap(LV2_URID id) const;  // null for an unknown id

  LV2_Feature* map_feature() { return &map_feature_; }
  LV2_Feature* unmap_feature() { return &unmap_feature_; }
  LV2_URID_Map* map_data() { return &map_data_; }
  LV2_URID_Unmap* unmap_data() { return &unmap_data_; }

 private:
  std::vector<std::string> uris_;  // id - 1 -> uri
  LV2_URID_Map map_data_{};
  LV2_URID_Unmap unmap_data_{};
  LV2_Feature map_feature_{};
  LV2_Feature unmap_feature_{};
};

}  // namespace lv2host
