// Preset files (".vornpreset": one "kvxi" chunk, or a legacy "KVXi" record)
// and bank files (".vornbank": one "kvxb" chunk, or a legacy "KVXb" file),
// the user's init and reset presets and the init bank in the data folder.
// Every operation returns an outcome text (empty = success) unless noted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "synth/preset.h"

namespace files {

// The preset chunk as one buffer (for files and the host).
std::string load_preset_file(const std::string& path, synth::preset& target);
std::string save_preset_file(const std::string& path, const synth::preset& p);
// On success "loaded bank \"NAME\"" or "loaded KVXb ?" is returned through
// `message`; the outcome is empty.
std::string load_bank_file(const std::string& path, synth::bank& b, std::string* message = nullptr);
std::string save_bank_file(const std::string& path, const synth::bank& b);
// The same from bytes in memory; `init` is where legacy records start from.
std::string load_preset_data(const uint8_t* data, size_t size, const synth::preset& init, synth::preset& target);
std::string load_bank_data(const uint8_t* data, size_t size, const synth::preset& init, synth::bank& b,
                           std::string* message = nullptr);

// init.vornbank in the data folder: false when it cannot be opened.
bool load_init_bank(synth::bank& b);
std::string save_init_bank(const synth::bank& b);

// "<data folder>/<base>.vornpreset", read as a "kvxi" chunk only. False when
// the file cannot be opened (p unchanged).
bool load_user_preset(const char* base, synth::preset& p);
std::string save_user_preset(const char* base, const synth::preset& p);
// The factory Init with the user's init.vornpreset read over it.
synth::preset user_init_preset();

// Every value but Volume and Panning drawn at random within its range;
// integers rounded to nearest.
void randomise_preset(synth::preset& p);

}  // namespace files
