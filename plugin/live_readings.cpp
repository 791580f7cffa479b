#include "plugin/live_readings.h"

#include <algorithm>
#include <cmath>

#include "plugin/instance.h"
#include "plugin/synth_command.h"
#include "synth/engine.h"

namespace plugin {

namespace {

constexpr int32_t exact_float_limit = 1 << 24;  // integers up to here survive a float
constexpr int32_t stage_release = 3;

int32_t command_of(instance& p, command_args& a, int number) { return synth_command(&a, &p, number); }

int32_t held(int32_t v) { return std::clamp(v, -exact_float_limit, exact_float_limit); }

}  // namespace

void read_live(instance& p, live_readings& out) {
  // Recursive: each command's own hold of the lock nests inside this one.
  platform::scoped_lock hold(p.engine().engine_lock());
  command_args a;
  out.meter_active = command_of(p, a, command::meter_active) != 0;
  float levels[2] = {0.f, 0.f};
  a.pointer = levels;
  command_of(p, a, command::output_levels);
  a.pointer = nullptr;
  out.levels = {levels[0], levels[1]};
  out.engine_running = command_of(p, a, command::engine_running) != 0;
  out.voices_rendered = held(command_of(p, a, command::voices_rendered));
  out.slot_count = held(command_of(p, a, command::slot_count));
  out.displayed_voice_state = held(command_of(p, a, command::displayed_voice_state));
  for (int32_t i = 0; i < 2; ++i) {
    a.index = i;
    out.envelope_stage[size_t(i)] = held(command_of(p, a, command::envelope_state));
    out.envelope_level[size_t(i)] = a.value;
    a.index = i;
    out.displayed_slot = held(command_of(p, a, command::lfo_state));
    out.lfo_flags[size_t(i)] = held(a.number);
    out.lfo_output[size_t(i)] = a.value;
  }
  for (int32_t i = 0; i < live_readings::voice_lights; ++i) {
    a.index = i;
    out.voice_stage[size_t(i)] = held(command_of(p, a, command::voice_activity));
    out.voice_level[size_t(i)] = a.value;
    a.index = i;
    out.voice_age[size_t(i)] = held(command_of(p, a, command::voice_age));
  }
}

void pack_live(const live_readings& in, live_values& out) {
  out = {};
  out[0] = in.meter_active ? 1.f : 0.f;
  out[1] = in.levels[0];
  out[2] = in.levels[1];
  out[3] = in.engine_running ? 1.f : 0.f;
  out[4] = float(in.voices_rendered);
  out[5] = float(in.slot_count);
  out[6] = float(in.displayed_voice_state);
  for (size_t i = 0; i < 2; ++i) {
    out[7 + i] = float(in.envelope_stage[i]);
    out[9 + i] = in.envelope_level[i];
    out[11 + i] = float(in.lfo_flags[i]);
    out[13 + i] = in.lfo_output[i];
  }
  out[15] = float(in.displayed_slot);
  constexpr size_t h = live_readings::header_count, n = live_readings::voice_lights;
  for (size_t i = 0; i < n; ++i) {
    out[h + i] = in.voice_level[i];
    out[h + n + i] = float(in.voice_stage[i]);
    out[h + 2 * n + i] = float(in.voice_age[i]);
  }
}

void unpack_live(const live_values& in, live_readings& out) {
  // From another process: whatever is not finite reads as nothing.
  auto f = [&](size_t i) { return std::isfinite(in[i]) ? in[i] : 0.f; };
  auto n = [&](size_t i) { return int32_t(std::clamp(f(i), -float(exact_float_limit), float(exact_float_limit))); };
  out.meter_active = f(0) != 0.f;
  out.levels = {f(1), f(2)};
  out.engine_running = f(3) != 0.f;
  out.voices_rendered = n(4);
  out.slot_count = n(5);
  out.displayed_voice_state = n(6);
  for (size_t i = 0; i < 2; ++i) {
    out.envelope_stage[i] = n(7 + i);
    out.envelope_level[i] = f(9 + i);
    out.lfo_flags[i] = n(11 + i);
    out.lfo_output[i] = f(13 + i);
  }
  out.displayed_slot = n(15);
  constexpr size_t h = live_readings::header_count, v = live_readings::voice_lights;
  for (size_t i = 0; i < v; ++i) {
    out.voice_level[i] = f(h + i);
    out.voice_stage[i] = n(h + v + i);
    out.voice_age[i] = n(h + 2 * v + i);
  }
}

bool answer_live(const live_readings& live, command_args& a, int number, int& result) {
  const bool light = a.index >= 0 && a.index < live_readings::voice_lights;
  const size_t i = light ? size_t(a.index) : 0;
  const bool pair = a.index == 0 || a.index == 1;
  switch (number) {
    case command::meter_active: result = live.meter_active ? 1 : 0; return true;
    case command::output_levels:
      if (auto* levels = static_cast<float*>(a.pointer)) {
        levels[0] = live.levels[0];
        levels[1] = live.levels[1];
      }
      result = 0;
      return true;
    case command::engine_running: result = live.engine_running ? 1 : 0; return true;
    case command::voices_rendered: result = live.voices_rendered; return true;
    case command::slot_count: result = a.number = live.slot_count; return true;
    case command::displayed_voice_state: result = a.number = live.displayed_voice_state; return true;
    case command::envelope_state:
      a.value = pair ? live.envelope_level[size_t(a.index)] : 0.f;
      result = a.number = pair ? live.envelope_stage[size_t(a.index)] : 4;
      return true;
    case command::lfo_state:
      a.value = pair ? live.lfo_output[size_t(a.index)] : 0.f;
      a.number = pair ? live.lfo_flags[size_t(a.index)] : 0;
      result = live.displayed_slot;
      return true;
    case command::voice_activity:
      a.value = light ? live.voice_level[i] : 0.f;
      a.number = light ? live.voice_stage[i] : stage_release;
      result = light ? a.number : -1;
      return true;
    case command::voice_age: result = a.number = light ? live.voice_age[i] : 0; return true;
    default: return false;
  }
}

}  // namespace plugin
