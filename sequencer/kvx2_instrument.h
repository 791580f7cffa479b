// The 44-byte instrument records of "KVX2" sequence files, turned into bank
// presets.
#pragma once

#include <cstdint>
#include <string>

#include "sequencer/byte_span.h"
#include "synth/preset.h"

namespace sequencer {

constexpr size_t kvx2_instrument_size = 44;

// The record at `at` (all 44 bytes present) over `p`, which holds the user's
// init preset. `pcm_count` is the length of the PCM list the instrument may
// play from (waveforms 8 and up count back from its end).
void convert_kvx2_instrument(byte_span bytes, size_t at, const std::string& category, int32_t pcm_count,
                             synth::preset& p);

}  // namespace sequencer
