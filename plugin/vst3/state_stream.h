// The instance state through a host's IBStream, and the VST 2 chunk a host
// hands over when it moves a VST 2 project of this instrument to the VST 3
// one. The bytes themselves are the instance's "vorn" state in both formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin/vst3/vst3_abi.h"

namespace vst3_shell {

// The most a state read takes from a host stream (the state holds the PCM
// waves, so it may be large, but never this large).
constexpr size_t max_state_bytes = size_t(256) << 20;

// Reads the stream from its position to its end. False on a read error or
// past max_state_bytes; out then holds nothing.
bool read_stream(vst3::IBStream& stream, std::vector<uint8_t>& out);
// Writes all of data; false when the stream takes less.
bool write_stream(vst3::IBStream& stream, const uint8_t* data, size_t size);

// A VST 2 host's wrapping of a plug-in chunk: an optional "VstW" header,
// then a "CcnK" bank ("FBCh") or program ("FPCh") record holding the opaque
// chunk. Gives the chunk inside, or the bytes as they are when they carry no
// such wrapping; null when the wrapping is there but cut short or broken.
const uint8_t* unwrap_vst2_chunk(const uint8_t* data, size_t size, size_t& chunk_size);

}  // namespace vst3_shell
