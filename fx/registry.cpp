#include "fx/registry.h"

#include <cctype>
#include <cstring>
#include <iterator>

#include "fx/factories.h"

namespace fx {

namespace {

constexpr registry_entry entries[] = {
    {"Gate", make_gate},           {"Clipper", make_clipper},     {"Reverb", make_reverb},
    {"Multiplier", make_multiplier}, {"Rectifier", make_rectifier}, {"Limiter", make_limiter},
    {"RC Filter", make_rc_filter}, {"Tremolo", make_tremolo},     {"Tone", make_tone},
    {"Compressor", make_compressor}, {"Phaser", make_phaser},     {"Crossfeed", make_crossfeed},
    {"Follower", make_follower},   {"Quantizer", make_quantizer}, {"mDelay", make_mdelay},
    {"Ringmod", make_ringmod},
};

bool same_ignoring_case(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

}  // namespace

const char* const effect_menu =
    "[h0][80x65]-,[80x13][lDelay]Reverb,[lDynamics]Compressor,Gate,Limiter,[n][lTimbre]Clipper,"
    "Multiplier,Quantizer,Rectifier,Ringmod,[lModulation]Follower,mDelay,Phaser,Tremolo,";

const registry_entry* registry_begin() { return std::begin(entries); }
const registry_entry* registry_end() { return std::end(entries); }
int registry_size() { return int(std::size(entries)); }

std::unique_ptr<effect> create_effect(bool exact, const char* name) {
  if (!name) return nullptr;
  for (const registry_entry& e : entries) {
    const bool match = exact ? std::strcmp(e.name, name) == 0 : same_ignoring_case(e.name, name);
    if (match) return e.make();
  }
  return nullptr;
}

}  // namespace fx
