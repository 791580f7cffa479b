// Choosing the sound system at start: JACK when a server runs, else ALSA.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "plugin/standalone/audio_backend.h"

namespace standalone {

// The backend, or null with `error` holding the one line that says why
// neither system could be used.
std::unique_ptr<audio_backend> open_sound(const backend_request& request, std::string& error);

// --list-ports for both systems; false when neither is there.
bool list_ports(std::FILE* out);

}  // namespace standalone
