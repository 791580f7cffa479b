#include "tools/lv2host/urid_map.h"

namespace lv2host {

namespace {

LV2_URID map_call(LV2_URID_Map_Handle handle, const char* uri) { return static_cast<urid_map*>(handle)->map(uri); }
const char* unmap_call(LV2_URID_Unmap_Handle handle, LV2_URID id) {
  return static_cast<urid_map*>(handle)->unmap(id);
}

}  // namespace

urid_map::urid_map() {
  map_data_ = {this, map_call};
  unmap_data_ = {this, unmap_call};
  map_feature_ = {LV2_URID__map, &map_data_};
  unmap_feature_ = {LV2_URID__unmap, &unmap_data_};
}

LV2_URID urid_map::map(const char* uri) {
  for (size_t i = 0; i < uris_.size(); ++i)
    if (uris_[i] == uri) return LV2_URID(i + 1);
  uris_.emplace_back(uri);
  return LV2_URID(uris_.size());
}

const char* urid_map::unmap(LV2_URID id) const {
  return id >= 1 && id <= uris_.size() ? uris_[id - 1].c_str() : nullptr;
}

}  // namespace lv2host
