// Chunks of the instance state whose owners are not part of this build (the
// editor's look): kept
// byte for byte as they were read and written back unchanged, so a state
// saved by a fuller build loses nothing on its way through this one.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

struct kept_chunks {
  std::vector<uint8_t> editor;  // the whole "edtr" chunk; empty: none read
};

}  // namespace synth
