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
#include <string>

#include "plugin/editor_object.h"

namespace synth {
class synth;
class host_interface;
}  // namespace synth
namespace sequencer {
class player;
struct song;
}  // namespace sequencer

namespace plugin {

struct queued_event;
struct live_readings;

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
  // The current program changed from inside (the editor on the UI thread; a
  // MIDI program change on the audio thread, so no waiting here): hosts that
  // show a program list update it. Not called for the shell's own
  // set_program.
  virtual void program_changed(int32_t index) {}
  // Names, parameters or the program list changed wholesale (a bank load).
  virtual void update_display() {}
  // The editor changed what the state holds other than through a host
  // parameter: a route, an effect slot or its values, a program or bank,
  // names, a global, the tuning, the waves, a song. UI thread, after the
  // change is in. A shell whose editor runs apart from the sounding engine
  // (the LV2 UI's mirror) sends the state on; others need nothing.
  virtual void state_edited() {}
  // Audio thread, once per process call: the host's transport, false when
  // the host gives none.
  virtual bool time(host_time& out) { return false; }
};

// A parameter's shape as hosts describe it.
struct parameter_shape {
  int32_t values = 0;          // 0: continuous; else the number of steps (2: a switch)
  float default_normalised = 0.f;
  float step = 0.0625f;        // a continuous control's host step (0..1 units); cutoffs and LFO rates have their own
  char name[32] = {};          // "Filter Frequency"
  char unit[8] = {};           // "Hz", "dB", "%", "st", "s", "ms"; empty when none (not filled yet)
};

class instance {
 public:
  static constexpr int32_t param_count = 89;  // the host-visible parameters
  // Above the host's parameters, the instance's 17 globals (voices, unison,
  // tuning...): the editor reaches them through the same calls, and so does
  // a VST 2 host that asks (it always could); other shells stay below
  // param_count.
  static constexpr int32_t all_param_count = 106;
  static constexpr int32_t program_count = 128;
  static constexpr int32_t major_version = 8;
  static constexpr int32_t vendor_version = (major_version << 24) + 880;

  // Null when it cannot be made. Without a host only the base values are
  // loaded and no start-up files are read. With `with_editor`, the editor is
  // made (editor() then returns it); this one is defined beside the editor
  // library (plugin/instance_editor.cpp), so programs that link no editor
  // use the second form.
  static instance* create(host_shell* host, bool with_editor);
  // The same with the editor a factory makes (tests and tools bring their
  // own; null: none).
  static instance* create(host_shell* host, editor_factory make_editor);
  static void destroy(instance* it);

  // Set-up (UI thread, while not processing).
  void set_sample_rate(double rate);
  void set_active(bool on);  // off: voices end; on: the next block starts clean

  // Audio thread. Events queued before process apply at their frame within
  // the next block (frames beyond it at its end); the block is split at
  // each, so notes and parameter changes are sample-accurate.
  //
  // A message of 1..3 bytes (running status is not resolved; longer
  // messages such as SysEx are not ours and are skipped). False when the
  // queue is full or the message is refused.
  bool queue_midi(int32_t frame, const uint8_t* bytes, int32_t size);
  // index 0..param_count-1; NaN is refused, other values are held to 0..1.
  bool queue_parameter(int32_t frame, int32_t index, float normalised);
  // Expression for the one note sounding `key` (0..127), for hosts that
  // address notes rather than MIDI channels: its bend in semitones (added to
  // its pitch like an MPE member channel's bend; the route source "Note
  // Bend" reads it against a 48-semitone range), its pressure or its slide
  // (0..1, "Note Pressure" / "Note Slide"). Only held notes take it.
  // Non-finite values and keys outside 0..127 are refused.
  enum class note_detail : uint8_t { bend_semitones, pressure, slide };
  bool queue_note_expression(int32_t frame, int32_t key, note_detail what, float value);
  // Writes frames samples to both outputs (replacing; with `adding`, adds to
  // what they hold, the old VST 2 accumulating call); frames <= 0 or a null
  // output keeps the queued events for the next call.
  void process(float* left, float* right, int32_t frames, bool adding = false);
  // The queued events without a render, for an instance that mirrors one
  // which sounds elsewhere (the LV2 UI's): controllers (learn, mapped
  // parameters, MPE set-up), bend, pressure and parameter changes reach
  // the engine; notes only light the activity, as no voice would ever end
  // without rendering. Program changes are skipped: the sounding instance
  // reports its own.
  void take_events();

  // Parameters (any index outside 0..all_param_count-1 does nothing / reads
  // 0; NaN changes nothing, values beyond 0..1 are held to it).
  void set_parameter(int32_t index, float normalised);
  float get_parameter(int32_t index) const;
  void parameter_text(int32_t index, char* text, size_t capacity) const;  // "1.20 kHz"
  // The text a value would show once set (for hosts that label values they
  // have not sent); false outside 0..param_count-1.
  bool parameter_text_of(int32_t index, float normalised, char* text, size_t capacity) const;
  bool parameter_from_text(int32_t index, const char* text, float& normalised) const;
  bool parameter_info(int32_t index, parameter_shape& out) const;

  // Programs. set_program outside 0..program_count-1 does nothing; names
  // of index < 0 are the current program's.
  int32_t program() const;
  void set_program(int32_t index);
  const char* program_name(int32_t index) const;  // null outside the bank
  const char* program_category(int32_t index) const;
  void set_program_name(const char* text);  // the current program's

  // State: the "vorn" state bytes, the same whatever the host format. The
  // pointer stays valid until the next save_state.
  const uint8_t* save_state(size_t& size);
  bool load_state(const uint8_t* bytes, size_t size);  // false: nothing changed
  // The current program alone, as a host's preset file holds it (a "prst"
  // chunk); the pointer stays valid until the next save_program.
  const uint8_t* save_program(size_t& size);
  bool load_program(const uint8_t* bytes, size_t size);  // false: nothing changed

  // The editor, or null (no display, or made without one). Owned by the
  // instance.
  editor_object* editor();

  // The instance's inner parts, for the editor's command channel, tools and
  // tests.
  synth::synth& engine();
  sequencer::player& player();  // change it only under the engine lock
  const sequencer::song& song() const;
  // What the editor receives: the command function with this instance as
  // its context (plugin/synth_command.h), and the way to the host.
  editor_link editor_connection();
  // The engine's and the editor's way to the host (through host_shell).
  synth::host_interface& host_link();
  // Command 56 (plugin/synth_command.h): reads and parses the file, then,
  // under the engine lock, replaces the song, its presets and samples and
  // starts it; `result` gets the reason of a failure.
  int load_sequence(const char* path, std::string& result);
  bool reset_pending() const;
  static constexpr int32_t event_capacity = 4096;
  int64_t dropped_events() const;

  // The shell this instance reports to (null without a host).
  host_shell* shell() const { return host_; }

  // A mirror's readings of the instance that sounds elsewhere: while set,
  // the read-only display commands (meters, voices, envelope and LFO
  // lights; plugin/live_readings.h) answer from them. Null (the default):
  // from this instance's own engine. The caller keeps them alive; UI thread.
  void set_live_readings(const live_readings* live) { live_ = live; }
  const live_readings* live() const { return live_; }

  struct parts;  // plugin/instance_parts.h

 private:
  instance() = default;
  ~instance() = default;
  instance(const instance&) = delete;
  instance& operator=(const instance&) = delete;
  void render_piece(float* left, float* right, int32_t frames);
  void apply_event(const queued_event& e, int32_t frames_since_previous);

  parts* parts_ = nullptr;
  host_shell* host_ = nullptr;
  const live_readings* live_ = nullptr;
};

}  // namespace plugin
