// The VST 2 shell: the AEffect a host sees, in front of one plugin::instance.
// It translates the host's calls and holds no engine logic of its own. Built
// by `create` in one block aligned to 64 KiB whose size is the shell's size
// rounded up to a power of two.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/instance.h"
#include "plugin/vst2/effect_base.h"
#include "plugin/vst2/vst2_shell.h"
// The inner parts handed out below, whole, for the tools and tests that
// reach inside an instance built in-process.
#include "sequencer/player.h"
#include "sequencer/song.h"
#include "synth/engine.h"

namespace plugin {

class synth_plugin final : public effect_base {
 public:
  // Null when it cannot be made. Without a host callback the instance keeps
  // only the base values and reads no start-up files, and has no editor;
  // with one, make_editor (when given) makes its editor.
  static synth_plugin* create(audioMasterCallback host, editor_factory make_editor = nullptr);
  // The plug-in as hosts load it: with the instance's own editor
  // (plugin/vst2/vst2_entry.cpp, linked only into the module).
  static synth_plugin* create_with_editor(audioMasterCallback host);
  static void operator delete(void* p);
  ~synth_plugin() override;

  void process(float** inputs, float** outputs, int32_t frames, bool replacing) override;
  void open() override;
  void editor_idled() override;
  void set_sample_rate(float rate) override;
  void set_program() override;
  void select_program(int32_t index) override;
  int32_t current_program() const override;
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

  plugin::instance& instance() { return *instance_; }
  // The instance's inner parts, for tools and tests.
  synth::synth& engine() { return instance_->engine(); }
  editor_object* editor_object_of() const { return instance_->editor(); }
  synth::host_interface& link() { return instance_->host_link(); }
  editor_link editor_connection() { return instance_->editor_connection(); }
  sequencer::player& player() { return instance_->player(); }
  const sequencer::song& song() const { return instance_->song(); }
  int load_sequence(const char* path, std::string& result) { return instance_->load_sequence(path, result); }
  bool reset_pending() const { return instance_->reset_pending(); }
  static constexpr int32_t event_capacity = instance::event_capacity;
  int64_t dropped_events() const { return instance_->dropped_events(); }

  static constexpr int32_t major_version = instance::major_version;
  static constexpr int32_t vendor_version = instance::vendor_version;

 private:
  synth_plugin() = default;
  static void* operator new(size_t size, void* where) { return where; }
  // The shell's block with the host set, no instance yet; null when it
  // cannot be allocated.
  static synth_plugin* allocate(audioMasterCallback host);
  // Takes the instance made for the shell and fills in the AEffect; without
  // an instance the shell is freed and null returned.
  static synth_plugin* attach(synth_plugin* p, plugin::instance* it);
  host_shell* shell_for_instance() { return host() ? &shell_ : nullptr; }

  vst2_shell shell_{this};
  plugin::instance* instance_ = nullptr;
};

}  // namespace plugin
