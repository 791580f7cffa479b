#include "sequencer/song_load.h"

#include <cstring>

namespace sequencer {

int parse_song(const uint8_t* data, size_t size, const load_context& context, song_load& out) {
  out = song_load{};
  if (!data || size < 4) return load_unknown;
  if (std::memcmp(data, "KVX1", 4) == 0) return parse_kvx1(data, size, out);
  if (std::memcmp(data, "KVX2", 4) == 0) return parse_kvx2(data, size, context, out);
  if (std::memcmp(data, "THX", 3) == 0 && data[3] <= 1) return parse_ahx(data, size, context, out);
  return load_unknown;
}

}  // namespace sequencer
