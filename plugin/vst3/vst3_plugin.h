// The VST 3 instrument: one object that is both the component (processor)
// and its edit controller, in front of one plugin::instance. It translates
// the host's calls and nothing more: parameters by ID (the sound's
// parameters keep their VST 2 indices), notes and the MIDI-mapped controller
// parameters into queued MIDI, note expressions (by note ID) into the
// instance's per-note expression, the state into the instance's "vorn" bytes.
//
// IComponent and IEditController both declare getState/setState; the two
// small bases below give each its own name, so the processor state and the
// (empty) controller state stay apart.
//
// Threads as the interface has them: process and setProcessing on the audio
// thread, everything else on the host's UI thread. The instance's engine lock
// keeps state loads and processing apart.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "plugin/instance.h"
#include "plugin/vst3/block_events.h"
#include "plugin/vst3/held_notes.h"
#include "plugin/vst3/param_ids.h"
#include "plugin/vst3/vst3_abi.h"

namespace vst3_shell {

class plug_view;

class component_face : public vst3::IComponent {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) final { return set_component_state(state); }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) final { return get_component_state(state); }
  virtual vst3::tresult set_component_state(vst3::IBStream* state) = 0;
  virtual vst3::tresult get_component_state(vst3::IBStream* state) = 0;
};

class controller_face : public vst3::IEditController {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) final { return set_controller_state(state); }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) final { return get_controller_state(state); }
  virtual vst3::tresult set_controller_state(vst3::IBStream* state) = 0;
  virtual vst3::tresult get_controller_state(vst3::IBStream* state) = 0;
};

class vst3_plugin final : public component_face,
                          public vst3::IAudioProcessor,
                          public vst3::IProcessContextRequirements,
                          public controller_face,
                          public vst3::IMidiMapping,
                          public vst3::IUnitInfo,
                          private plugin::host_shell {
 public:
  // A new object holds one reference, the caller's.
  static vst3_plugin* create();

  // FUnknown
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::uint32 VST3_CALL addRef() override;
  vst3::uint32 VST3_CALL release() override;

  // IPluginBase (one call each, however many faces)
  vst3::tresult VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult VST3_CALL terminate() override;

  // IComponent
  vst3::tresult VST3_CALL getControllerClassId(vst3::TUID class_id) override;
  vst3::tresult VST3_CALL setIoMode(vst3::IoMode mode) override;
  vst3::int32 VST3_CALL getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
  vst3::tresult VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                     vst3::BusInfo& bus) override;
  vst3::tresult VST3_CALL getRoutingInfo(vst3::RoutingInfo& in, vst3::RoutingInfo& out) override;
  vst3::tresult VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                                      vst3::TBool state) override;
  vst3::tresult VST3_CALL setActive(vst3::TBool state) override;
  vst3::tresult set_component_state(vst3::IBStream* state) override;
  vst3::tresult get_component_state(vst3::IBStream* state) override;

  // IAudioProcessor
  vst3::tresult VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 ins,
                                             vst3::SpeakerArrangement* outputs, vst3::int32 outs) override;
  vst3::tresult VST3_CALL getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                            vst3::SpeakerArrangement& arr) override;
  vst3::tresult VST3_CALL canProcessSampleSize(vst3::int32 size) override;
  vst3::uint32 VST3_CALL getLatencySamples() override { return 0; }
  vst3::tresult VST3_CALL setupProcessing(vst3::ProcessSetup& setup) override;
  vst3::tresult VST3_CALL setProcessing(vst3::TBool state) override;
  vst3::tresult VST3_CALL process(vst3::ProcessData& data) override;
  vst3::uint32 VST3_CALL getTailSamples() override;

  // IProcessContextRequirements
  vst3::uint32 VST3_CALL getProcessContextRequirements() override;

  // IEditController
  vst3::tresult VST3_CALL setComponentState(vst3::IBStream* state) override;
  vst3::tresult set_controller_state(vst3::IBStream* state) override;
  vst3::tresult get_controller_state(vst3::IBStream* state) override;
  vst3::int32 VST3_CALL getParameterCount() override;
  vst3::tresult VST3_CALL getParameterInfo(vst3::int32 index, vst3::ParameterInfo& info) override;
  vst3::tresult VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue normalized,
                                                vst3::char16* text) override;
  vst3::tresult VST3_CALL getParamValueByString(vst3::ParamID id, vst3::char16* text,
                                                vst3::ParamValue& normalized) override;
  vst3::ParamValue VST3_CALL normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue normalized) override;
  vst3::ParamValue VST3_CALL plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain) override;
  vst3::ParamValue VST3_CALL getParamNormalized(vst3::ParamID id) override;
  vst3::tresult VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
  vst3::IPlugView* VST3_CALL createView(vst3::FIDString name) override;

  // IMidiMapping
  vst3::tresult VST3_CALL getMidiControllerAssignment(vst3::int32 bus, vst3::int16 channel,
                                                      vst3::CtrlNumber ctrl, vst3::ParamID& id) override;

  // IUnitInfo
  vst3::int32 VST3_CALL getUnitCount() override { return 1; }
  vst3::tresult VST3_CALL getUnitInfo(vst3::int32 index, vst3::UnitInfo& info) override;
  vst3::int32 VST3_CALL getProgramListCount() override { return 1; }
  vst3::tresult VST3_CALL getProgramListInfo(vst3::int32 index, vst3::ProgramListInfo& info) override;
  vst3::tresult VST3_CALL getProgramName(vst3::ProgramListID list, vst3::int32 index, vst3::char16* name) override;
  vst3::tresult VST3_CALL getProgramInfo(vst3::ProgramListID list, vst3::int32 index, const vst3::char8* attribute,
                                         vst3::char16* value) override;
  vst3::tresult VST3_CALL hasProgramPitchNames(vst3::ProgramListID, vst3::int32) override {
    return vst3::kResultFalse;
  }
  vst3::tresult VST3_CALL getProgramPitchName(vst3::ProgramListID, vst3::int32, vst3::int16, vst3::char16*) override {
    return vst3::kResultFalse;
  }
  vst3::UnitID VST3_CALL getSelectedUnit() override { return vst3::kRootUnitId; }
  vst3::tresult VST3_CALL selectUnit(vst3::UnitID id) override;
  vst3::tresult VST3_CALL getUnitByBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 bus,
                                       vst3::int32 channel, vst3::UnitID& unit) override;
  vst3::tresult VST3_CALL setUnitProgramData(vst3::int32, vst3::int32, vst3::IBStream*) override {
    return vst3::kNotImplemented;
  }

  static constexpr vst3::ProgramListID program_list_id = 1;

 private:
  vst3_plugin() = default;
  ~vst3_plugin();
  void destroy_instance();

  // host_shell: what the instance asks of the host.
  void automate(int32_t index, float normalised) override;
  void begin_edit(int32_t index) override;
  void end_edit(int32_t index) override;
  bool resize_editor(int32_t width, int32_t height) override;
  void program_changed(int32_t index) override;
  void update_display() override;
  bool time(plugin::host_time& out) override;

  bool on_audio_thread() const { return audio_thread_.load() == std::this_thread::get_id(); }
  void gather_parameter_changes(vst3::IParameterChanges* changes, int32_t frames);
  void gather_events(vst3::IEventList* events, int32_t frames);
  void gather_note_expression(const vst3::NoteExpressionValueEvent& x, int32_t frame);
  void add_note_bend(int32_t frame, int32_t key, float semitones);
  void queue_event(const block_event& e, int32_t frame);  // MIDI or a note expression
  void read_context(const vst3::ProcessContext* context);
  void render(vst3::ProcessData& data);
  void report_output_changes(vst3::IParameterChanges* out);

  std::atomic<vst3::uint32> references_{1};
  plugin::instance* instance_ = nullptr;
  vst3::IComponentHandler* handler_ = nullptr;
  bool initialized_ = false;
  bool set_up_ = false;
  bool active_ = false;
  bool processing_ = false;
  bool output_bus_active_ = true;
  bool event_bus_active_ = true;
  double sample_rate_ = 44100.0;
  int32_t max_block_ = 0;
  std::vector<float> scratch_;  // both channels, for calls without output buffers

  // Audio thread.
  std::atomic<std::thread::id> audio_thread_{};
  block_events block_;
  held_notes notes_;  // cleared by setActive, when no process call runs
  plugin::host_time time_{};
  bool time_valid_ = false;
  // Changes the instance made from the audio thread (MIDI learn,
  // controllers), reported through the output parameter changes.
  static constexpr int32_t max_output_changes = 64;
  struct output_change {
    vst3::ParamID id;
    float value;
  };
  output_change output_changes_[max_output_changes]{};
  int32_t output_change_count_ = 0;

  plug_view* view_ = nullptr;  // the open view, if any (it clears this when it goes)

  // The hidden MIDI parameters' last values, as the host set them.
  float midi_values_[midi_param_count]{};
};

}  // namespace vst3_shell
