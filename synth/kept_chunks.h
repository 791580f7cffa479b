// Chunks of the instance state that belong to other subsystems than the
// engine. The editor's look ("edtr") comes from the editor when the instance
// has one; without an editor the chunk is kept byte for byte as it was read
// and written back unchanged, so a state loses nothing on its way through an
// instance that shows no editor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace synth {

// The editor's side of the "edtr" chunk. Called by the state writer and
// reader, under the engine lock, from whichever thread saves or loads a
// state: the editor keeps what these touch in atomics.
class editor_chunk_client {
 public:
  // The whole chunk, header included; measures with a null dest.
  virtual uint32_t write_editor_chunk(uint8_t* dest) = 0;
  // The chunk, with the bytes available from its start.
  virtual void read_editor_chunk(const uint8_t* data, size_t available) = 0;

 protected:
  ~editor_chunk_client() = default;
};

struct kept_chunks {
  std::vector<uint8_t> editor;  // the whole "edtr" chunk; empty: none read
  editor_chunk_client* editor_client = nullptr;  // the instance's editor, if any
};

}  // namespace synth
