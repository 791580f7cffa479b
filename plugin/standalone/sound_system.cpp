#include "plugin/standalone/sound_system.h"

namespace standalone {

std::unique_ptr<audio_backend> open_sound(const backend_request& request, std::string& error) {
  std::string jack_error, alsa_error;
  if (auto b = open_jack(request, jack_error)) return b;
  if (auto b = open_alsa(request, alsa_error)) return b;
  error = jack_error + " and " + alsa_error;
  return nullptr;
}

bool list_ports(std::FILE* out) {
  const bool jack = list_jack_ports(out);
  const bool alsa = list_alsa_ports(out);
  return jack || alsa;
}

}  // namespace standalone
