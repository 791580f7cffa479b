// The route matrix: 16 free rows, each taking a MIDI or constant source,
// scaling it by a depth and adding it to (or multiplying it into) one
// per-preset parameter of every voice. The routed value is always recomputed
// from the preset's stored value, so repeated source changes never accumulate.
//
// Threads: rows are edited and the lists rebuilt from the editor thread
// without the engine lock, one 32-bit store per field (relaxed cells); MIDI
// driven evaluation runs on the audio thread inside the lock. Nothing here
// allocates.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "platform/relaxed.h"

namespace synth {

constexpr int route_count = 16;

namespace route_source {
enum : int32_t { none = 0, constant = 1, note = 2, controller = 3 };
}
// Indices of the note/channel class (route_source::note).
namespace note_source {
// 7..9 are per note: an MPE member channel's bend, pressure and controller 74,
// and polyphonic aftertouch as pressure too.
enum : int32_t {
  key = 0, velocity = 1, pressure = 2, release = 3, program = 4, aftertouch = 5, bender = 6,
  note_bend = 7, note_pressure = 8, note_slide = 9
};
}
constexpr int32_t route_constant_one = 1;      // class 1 index 1: "1.0"
constexpr int32_t route_dest_parameter = 1;    // destination class of a parameter
namespace route_mode {
enum : int32_t { add = 0, multiply = 1 };      // anything else: the row does nothing
}

struct route {
  platform::relaxed<int32_t> source_class{0};
  platform::relaxed<int32_t> source_index{0};
  platform::relaxed<int32_t> dest_class{0};
  platform::relaxed<int32_t> dest_index{0};    // parameter 0..88
  platform::relaxed<int32_t> mode{-1};
  platform::relaxed<float> depth{0.f};

  // A row acts only with a source, a destination and a depth that is a
  // finite number other than 0: a NaN or infinite depth would carry into the
  // routed value (and from there into every voice), so such a row is unused.
  bool in_use() const {
    const float d = depth;
    return source_class >= 1 && dest_class >= 1 && d != 0.f && std::isfinite(d);
  }
};

// The engine's MIDI state, raw bytes 0..127 as received, plus the bend value.
struct midi_state {
  std::array<uint8_t, 128> poly_pressure{};  // by note
  std::array<uint8_t, 128> controller{};     // by controller number
  uint8_t program = 0;
  uint8_t channel_pressure = 0;
  float bend = 0.f;                          // -1 .. just below +1
};

// What a voice contributes to the sources.
struct voice_sources {
  int note = 60;
  float velocity = 0.f;          // note-on velocity / 127
  float release_velocity = 0.f;  // note-off velocity / 127
  float note_bend = 0.f;         // -1 .. +1
  float note_pressure = 0.f;     // 0..1
  float note_slide = 0.f;        // 0..1
};

// Source value for one voice: "Key" (note - 60) / 127, "Velocity",
// "Pressure" (the voice's note), "Release", "Program", "Aftertouch", "Bender",
// controllers / 127, "1.0"; anything unknown is 0.
float route_source_value(int32_t source_class, int32_t source_index, const voice_sources& voice,
                         const midi_state& midi);

// The engine and its voices, as the matrix sees them (audio thread, engine lock).
class route_client {
 public:
  virtual ~route_client() = default;
  virtual int voice_count() = 0;
  virtual int voice_program(int voice) = 0;                   // negative: plays nothing
  virtual float preset_value(int program, int parameter) = 0;  // internal units
  virtual voice_sources voice_source(int voice) = 0;
  virtual const midi_state& midi() = 0;
  virtual void apply_to_voice(int voice, int parameter, float value) = 0;
};

class route_table {
 public:
  explicit route_table(route_client& client) : client_(client) {}

  // Row 0..15 (others ignored / a cleared row). Setting rebuilds the lists and
  // recomputes the row's destination when the row is in use.
  void set_route(int row, const route& r);
  route get_route(int row) const;
  // Row 0..15 to read and edit in place, one relaxed field at a time (null
  // for any other index); route_edited or rebuild_routes applies the edit.
  route* row(int index) { return index >= 0 && index < route_count ? &rows_[size_t(index)] : nullptr; }
  void clear_route(int row);  // source 0, destination 0, mode -1, depth 0

  // Rebuilds the active lists; a destination that is no longer routed is
  // recomputed once, which puts the plain preset value back into the voices.
  void rebuild_routes();

  // A MIDI value changed: re-evaluate the destinations fed by this source.
  void source_changed(int32_t source_class, int32_t source_index);
  // A voice started: every active destination for that voice alone.
  void route_voice(int voice);
  // A routed parameter was set: its routed value for every voice.
  void routed_set(int parameter);
  bool is_routed(int parameter) const;

  // The routed value of a parameter for a voice playing `program`.
  float routed_value(int parameter, int program, const voice_sources& voice) const;

  int source_list_size() const { return source_count_; }
  int dest_list_size() const { return dest_count_; }
  int dest_list_entry(int i) const { return dests_[i]; }

 private:
  struct source_key {
    platform::relaxed<int32_t> cls;
    platform::relaxed<int32_t> index;
  };
  // Rows that can move parameter p: in use, destination (1, p), p a preset parameter.
  static bool targets_parameter(const route& r);
  bool is_active_source(int32_t cls, int32_t index) const;
  void route_parameter_all(int parameter);
  void route_parameter(int voice, int parameter);

  route_client& client_;
  std::array<route, route_count> rows_{};
  std::array<source_key, route_count> sources_{};
  std::array<platform::relaxed<int32_t>, route_count> dests_{};  // parameter numbers
  platform::relaxed<int32_t> source_count_{0};
  platform::relaxed<int32_t> dest_count_{0};
};

}  // namespace synth
