// The constructors of every effect, one per effect unit.
#pragma once

#include <memory>

#include "fx/effect.h"

namespace fx {

std::unique_ptr<effect> make_gate();
std::unique_ptr<effect> make_clipper();
std::unique_ptr<effect> make_reverb();
std::unique_ptr<effect> make_multiplier();
std::unique_ptr<effect> make_rectifier();
std::unique_ptr<effect> make_limiter();
std::unique_ptr<effect> make_rc_filter();
std::unique_ptr<effect> make_tremolo();
std::unique_ptr<effect> make_tone();
std::unique_ptr<effect> make_compressor();
std::unique_ptr<effect> make_phaser();
std::unique_ptr<effect> make_crossfeed();
std::unique_ptr<effect> make_follower();
std::unique_ptr<effect> make_quantizer();
std::unique_ptr<effect> make_mdelay();
std::unique_ptr<effect> make_ringmod();
std::unique_ptr<effect> make_mm_filter();  // not registered: the Follower's filter

}  // namespace fx
