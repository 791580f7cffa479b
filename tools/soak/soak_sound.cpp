#include "tools/soak/soak_sound.h"

#include <cstdio>

namespace soak {

// The settings behind a voice's path: smoothing ("Parameter Filter"), XMod,
// glide and noise keep a voice out of the lanes or on the per-sample tick;
// the waveforms, A's width (a Ramp's spread: its ramps detuned), sync, B's
// keytrack (other than 0 or 1: a logarithm a tick),
// the filter and shaper modes and FMod decide what each sample costs; the pool and the unison layers how many voices there are.
const std::array<sound_field, 23> sound_fields = {{
    {"voices", 89},  {"unison", 101}, {"smooth", 105},     {"glide", 7},   {"time", 8},      {"osc A", 16},
    {"width", 17},   {"B", 23},       {"B keytrack", 26},  {"xmod", 15},   {"sync", 10},     {"ringmod", 37},
    {"noise", 38},   {"filter", 39},  {"fmod", 44},        {"qmod", 45},   {"sat", 46},      {"shaper", 51},
    {"sh flt", 55},  {"lfo A", 75},   {"B", 83},           {"env A trig", 64}, {"B", 71},
}};

std::string sound_line(const std::string& program, const std::function<std::string(int32_t)>& display,
                       const std::array<const char*, 4>& effects, int32_t saws, int32_t rendered,
                       const voice_stages& stages) {
  std::string line = "program \"";
  line.append(program).append("\" |");
  for (const sound_field& f : sound_fields) line.append(" ").append(f.label).append(" ").append(display(f.index));
  line.append(" ramps ").append(std::to_string(saws)).append(" | fx");
  for (const char* e : effects) line.append(" ").append(e);
  char voices[96];
  std::snprintf(voices, sizeof voices, " | rendered %d: held %d, released %d, silent %d", int(rendered),
                int(stages.held), int(stages.released), int(stages.silent));
  return line.append(voices);
}

}  // namespace soak
