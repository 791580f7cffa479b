// One instrument instance as every host format sees it: the engine, its song
// player, its state bytes, its programs and its editor, with no host type in
// sight. The VST 2 entry, the LV2 plug-in, the VST 3 component and the
// standalone application are thin shells in front of this class (one folder
// each under plugin/); everything below the host boundary is shared, so a
// sound moves between the formats byte for byte.
//
// Threads: process, queue_midi and queue_parameter on the audio thread;
// everything else on the host's user-interface (or main) thread. The engine
// lock inside keeps the two apart; a shell adds no lock of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/editor_object.h"

namespace synth {
class synth;
}

namespace plugin {

// The host's transport at the start of a block, as far as the host knows it.
struct host_time {
  bool tempo_valid = false;
  double tempo_bpm = 120.0;
  bool playing = false;
  bool position_valid = false;
  double position_quarters = 0.0;  // song position in quarter notes
};

// What the instance asks of its host; each shell implements it. Every
// method has a harmless default, so a shell overrides what its format has.
class host_shell {
 public:
  virtual ~host_shell() = default;
  // The editor (or MIDI learn) changed parameter `index` (0..param_count-1)
  // to `normalised`; hosts record it as automation. UI thread, or the audio
  // thread for changes made by controllers.
  virtual void automate(int32_t index, float normalised) {}
  // A user gesture on parameter `index` starts / ends (touch automation).
  virtual void begin_edit(int32_t index) {}
  virtual void end_edit(int32_t index) {}
  // The editor wants its window to be width x height pixels; false when the
  // host cannot resize it.
  virtual bool resize_editor(int32_t width, int32_t height) { return false; }
  // The current program changed from inside (editor, program change, song):
  // hosts that show a program list update it.
  virtual void program_changed(int32_t index) {}
  // Names, parameters or the program list changed wholesale (a bank load).
  virtual void update_display() {}
  // Audio thread, once per process call: the host's transport, false when
  // the host gives none.
  virtual bool time(host_time& out) { return false; }
};

// A parameter's shape as hosts describe it.
struct parameter_shape {
  int32_t values = 0;          // 0: continuous; else the number of steps (2: a switch)
  float default_normalised = 0.f;
  char name[32] = {};          // "Filter Frequency"
  char unit[8] = {};           // "Hz", "dB", "%", "st", "s", "ms"; empty when none
};

class instance {
 public:
  static constexpr int32_t param_count = 89;  // the host-visible parameters
  static constexpr int32_t program_count = 128;

  // Null when it cannot be made. Without a host only the base values are
  // loaded and no start-up files are read. With `with_editor`, the editor is
  // made (editor() then returns it).
  static instance* create(host_shell* host, bool with_editor);
  static void destroy(instance* it);

  // Set-up (UI thread, while not processing).
  void set_sample_rate(double rate);
  void set_active(bool on);  // off: voices end; on: the next block starts clean

  // Audio thread. Events queued before process apply at their frame within
  // the next block (frames beyond it at its end); the block is split at
  // each, so notes and parameter changes are sample-accurate.
  void queue_midi(int32_t frame, const uint8_t* bytes, int32_t size);
  void queue_parameter(int32_t frame, int32_t index, float normalised);
  // Writes frames samples to both outputs (replacing); frames <= 0 keeps the
  // queued events for the next call.
  void process(float* left, float* right, int32_t frames);

  // Parameters (any index outside 0..param_count-1 does nothing / reads 0).
  void set_parameter(int32_t index, float normalised);
  float get_parameter(int32_t index) const;
  void parameter_text(int32_t index, char* text, size_t capacity) const;  // "1.20 kHz"
  bool parameter_from_text(int32_t index, const char* text, float& normalised) const;
  bool parameter_info(int32_t index, parameter_shape& out) const;

  // Programs.
  int32_t program() const;
  void set_program(int32_t index);
  const char* program_name(int32_t index) const;  // null outside the bank
  const char* program_category(int32_t index) const;
  void set_program_name(const char* text);

  // State: the "vorn" state bytes, the same whatever the host format. The
  // pointer stays valid until the next save_state.
  const uint8_t* save_state(size_t& size);
  bool load_state(const uint8_t* bytes, size_t size);  // false: nothing changed

  // The editor, or null (no display, or made without one). Owned by the
  // instance.
  editor_object* editor();

  // The instance's inner parts, for tools and tests.
  synth::synth& engine();
};

}  // namespace plugin
