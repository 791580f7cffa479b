// The instrument: the engine, its host link, the chunk buffers and the
// processing state. Built by `create` in one block aligned to 64 KiB whose size
// is the instance size rounded up to a power of two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/relaxed.h"
#include "plugin/bank_link.h"
#include "plugin/editor_link.h"
#include "plugin/effect_base.h"
#include "plugin/event_queue.h"
#include "plugin/host_link.h"
#include "sequencer/player.h"
#include "sequencer/song.h"
#include "synth/engine.h"

namespace plugin {

class synth_plugin final : public effect_base {
 public:
  // Null when the block cannot be allocated. Without a host callback the
  // instance keeps only the base values and reads no start-up files, and
  // has no editor; with one, make_editor (when given) makes its editor.
  static synth_plugin* create(audioMasterCallback host, editor_factory make_editor = nullptr);
  static void operator delete(void* p);

  void process(float** inputs, float** outputs, int32_t frames, bool replacing) override;
  void set_sample_rate(float rate) override;
  void set_program() override;
  void set_program_name(const char* text) override;
  const char* get_program_name(int32_t index) override;
  const char* get_program_category(int32_t index) override;
  void set_parameter(int32_t index, float normalised) override;
  float get_parameter(int32_t index) override;
  void get_parameter_display(int32_t index, char* text) override;
  void get_parameter_name(int32_t index, char* text) override;
  void process_events(VstEvents* events) override;
  void suspend_resume(bool was_on) override;
  int32_t get_chunk(void** data, bool is_preset) override;
  int32_t set_chunk(void* data, int32_t size, bool is_preset) override;
  bool get_output_properties(int32_t index, VstPinProperties* props) override;
  bool get_effect_name(char* text) override;
  bool get_vendor_string(char* text) override;
  bool get_product_string(char* text) override;
  int32_t get_vendor_version() override;
  int32_t can_do(const char* text) override;
  bool get_parameter_properties(int32_t index, VstParameterProperties* props) override;
  intptr_t vendor_specific(int32_t index, intptr_t value, void* ptr, float opt) override;

  synth::synth& engine() { return engine_; }
  editor_object* editor_object_of() const { return editor(); }
  host_link& link() { return host_link_; }
  // What the editor receives: the command function with this instance as
  // its context (plugin/synth_command.h), and the way to the host.
  editor_link editor_connection();

  // The song and its player; change them only under the engine lock.
  sequencer::player& player() { return player_; }
  const sequencer::song& song() const { return song_; }
  // Command 56: reads and parses the file, then, under the engine lock,
  // replaces the song, its presets and samples and starts it. Returns the
  // command's result (plugin/synth_command.h); `result` gets the reason of a
  // failure.
  int load_sequence(const char* path, std::string& result);
  bool reset_pending() const { return reset_pending_ != 0; }
  static constexpr int32_t event_capacity = event_queue::capacity;
  int64_t dropped_events() const { return events_.dropped(); }

  static constexpr int32_t major_version = 8;
  static constexpr int32_t vendor_version = (major_version << 24) + 880;

 private:
  synth_plugin(audioMasterCallback host, editor_factory make_editor);
  static void* operator new(size_t size, void* where) { return where; }

  void reset_engine();
  void render_piece(float* left, float* right, int32_t frames);

  synth::synth engine_;
  host_link host_link_{this};
  bank_link bank_link_{this};
  sequencer::song song_;
  sequencer::player player_{engine_, song_};
  std::string sequence_path_;  // the file the loaded song came from
  std::vector<uint8_t> preset_chunk_;
  std::vector<uint8_t> state_chunk_;
  platform::relaxed<int32_t> reset_pending_{0};
  event_queue events_;  // appended by effProcessEvents, taken by the next process call
};

}  // namespace plugin
