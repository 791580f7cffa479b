// One VST 3 instrument driven the way a host drives it: made from the
// module's factory, initialised with our host application, its controller
// found (the component itself, or the class it names) and synced from the
// component's state, its buses set, activated and fed notes and parameter
// points block by block. MIDI channel messages go in as hosts send them:
// notes and poly pressure as events, controllers, channel pressure and pitch
// bend as the parameters the plug-in's MIDI mapping names, program changes
// through its program-change parameter. Single-threaded: the caller
// serialises every call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/vst3/vst3_abi.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/module_library.h"

namespace vst3host {

struct class_listing {
  std::string cid;  // 32 hex digits
  std::string category;
  std::string name;
  std::string sub_categories;
  std::string vendor;
  std::string version;
};

struct parameter_listing {
  vst3::ParamID id;
  std::string title;
  std::string units;
  int32_t step_count;
  double default_value;
  int32_t flags;
};

// Every class the factory offers, in its order.
std::vector<class_listing> list_classes(vst3::IPluginFactory& factory);

class plugin3 {
 public:
  static constexpr int32_t default_block_size = 512;
  static constexpr double default_sample_rate = 44100.0;

  plugin3() = default;
  ~plugin3();
  plugin3(const plugin3&) = delete;
  plugin3& operator=(const plugin3&) = delete;

  // Makes and initialises the first "Audio Module Class" of the module and
  // its controller. False with a reason otherwise.
  bool create(module_library& module, std::string& error);
  // Buses, sample size and rate, then setActive and setProcessing.
  bool start(double sample_rate = default_sample_rate, int32_t block_size = default_block_size);
  void stop();
  void close();  // stop, terminate, release; also done by the destructor

  vst3::IComponent* component() const { return component_; }
  vst3::IAudioProcessor* processor() const { return processor_; }
  vst3::IEditController* controller() const { return controller_; }
  component_handler& handler() { return handler_; }
  int32_t block_size() const { return block_size_; }

  std::vector<parameter_listing> parameters();

  // Queued for the next process call, at a frame within it.
  void queue_midi(int32_t frame, const uint8_t* bytes, int32_t size);
  void queue_parameter(int32_t frame, vst3::ParamID id, double value);
  // An event as the host's list carries it (notes with IDs, note expression).
  void queue_event(const vst3::Event& e);
  void set_tempo(double bpm, bool playing);
  // Renders frames (at most block_size()) into left and right.
  bool process(float* left, float* right, int32_t frames);
  vst3::tresult process_raw(vst3::ProcessData& data) { return processor_->process(data); }

  // The component's state, and a state handed to the component and then to
  // the controller, as hosts restore a project.
  bool save_state(std::vector<uint8_t>& out);
  bool load_state(const std::vector<uint8_t>& bytes);
  // The controller's own state, saved after the component's and restored
  // after it, as hosts keep a project.
  bool save_controller_state(std::vector<uint8_t>& out);
  bool load_controller_state(const std::vector<uint8_t>& bytes);

 private:
  vst3::ParamID mapped(int32_t channel, int32_t control);

  host_application application_;
  component_handler handler_;
  parameter_changes changes_;
  event_list events_;
  vst3::ProcessContext context_{};
  vst3::IComponent* component_ = nullptr;
  vst3::IAudioProcessor* processor_ = nullptr;
  vst3::IEditController* controller_ = nullptr;
  vst3::IMidiMapping* mapping_ = nullptr;
  bool separate_controller_ = false;
  bool started_ = false;
  int32_t block_size_ = default_block_size;
  double sample_rate_ = default_sample_rate;
  vst3::ParamID program_param_ = vst3::kNoParamId;
  int64_t frames_done_ = 0;
};

}  // namespace vst3host
