// One plug-in instance driven the way a host drives it: created through the
// library's entry with our host callback, opened, configured, fed MIDI and
// asked for audio block by block, closed with effClose when destroyed.
// Single-threaded use: the caller serialises every call.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tools/vsthost/event_list.h"
#include "tools/vsthost/plugin_library.h"
#include "tools/vsthost/transport.h"

namespace vsthost {

// One audioMasterAutomate call from the plug-in.
struct automation_record {
  int32_t index;
  float value;
};

// An automation message in the order the plug-in sent it: audioMasterAutomate,
// audioMasterBeginEdit or audioMasterEndEdit with its parameter, and the
// thread it came from.
struct edit_record {
  int32_t opcode;
  int32_t index;
  std::thread::id thread{};
};

// What the host says it is (audioMasterGetProductString,
// audioMasterGetVendorVersion), for plug-ins that behave per host; an empty
// product: our own name and version.
struct host_identity {
  std::string product;
  int32_t vendor_version = 0;
};

// Everything else the plug-in told the host through its callback.
struct host_requests {
  bool wants_midi = false;
  int32_t display_updates = 0;
  int32_t idle_calls = 0;
  int32_t window_width = 0;  // last audioMasterSizeWindow, 0 when never asked
  int32_t window_height = 0;
  std::vector<automation_record> automation;
  std::vector<edit_record> edits;
};

class plugin_instance {
 public:
  static constexpr int32_t default_block_size = 512;
  static constexpr const char* vendor_text = "Vorn";
  static constexpr const char* product_text = "vorn-render";
  static constexpr int32_t vendor_version_number = 1000;

  plugin_instance() = default;
  ~plugin_instance();
  // Before create: the host the plug-in meets, from its entry call on.
  void announce_as(const host_identity& who) { identity_ = who; }
  plugin_instance(const plugin_instance&) = delete;
  plugin_instance& operator=(const plugin_instance&) = delete;

  // Calls the entry with our callback, checks the magic and sends effOpen,
  // then the default rate and block size. False with a reason when the entry
  // gives no usable effect.
  bool create(const plugin_library& library, std::string& error);
  bool create(VstEntryProc entry, std::string& error);
  void close();  // effClose; also done by the destructor

  AEffect* effect() const { return effect_; }
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.f);

  // Configuration, sent while suspended.
  void set_sample_rate(double hz);
  void set_block_size(int32_t max_frames);  // also sizes the silent extra buffers
  int32_t block_size() const { return block_size_; }
  void resume();   // effMainsChanged(1), effStartProcess
  void suspend();  // effStopProcess, effMainsChanged(0)
  bool resumed() const { return resumed_; }

  // Identity as the dispatcher reports it (texts bounded and terminated).
  std::string effect_name();
  std::string vendor();
  std::string product();
  int32_t vendor_version();
  int32_t vst_version();
  int32_t category();
  intptr_t can_do(const char* what);  // 1 yes, -1 no, 0 unknown

  int32_t num_programs() const { return effect_ ? effect_->numPrograms : 0; }
  int32_t num_params() const { return effect_ ? effect_->numParams : 0; }
  std::string program_name(int32_t program);
  void set_program(int32_t program);
  int32_t program();

  std::string param_name(int32_t index);
  std::string param_display(int32_t index);
  std::string param_label(int32_t index);
  bool param_properties(int32_t index, VstParameterProperties& out);
  // The index whose effGetParamName equals name, or -1.
  int32_t find_param(const std::string& name);
  float get_parameter(int32_t index);
  void set_parameter(int32_t index, float value);

  // Queues a MIDI message for the next process call, delta_frames into it.
  bool queue_midi(int32_t delta_frames, uint8_t b0, uint8_t b1, uint8_t b2);
  int32_t midi_capacity() const { return events_.capacity(); }  // events per block
  // Sends the queued events with effProcessEvents, then processReplacing into
  // left/right (either may be null: that output goes to a scratch buffer).
  // frames must not exceed block_size(); false (nothing done) otherwise.
  bool process(float* left, float* right, int32_t frames);
  // The same through the deprecated accumulating call: adds into left/right.
  bool process_accumulating(float* left, float* right, int32_t frames);

  transport& time() { return transport_; }
  void set_tempo(double bpm) { transport_.set_tempo(bpm); }
  const host_requests& requests() const { return requests_; }
  // Forgets every request; the logs keep their storage, so that a host that
  // clears them regularly allocates nothing in the callback once warmed up
  // (the plug-in calls it from inside its process call).
  void clear_requests();

  // The callback's answers; public for host_callback.
  intptr_t on_host_call(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  // Answers that need no instance (canDo, vendor and product strings).
  static intptr_t answer_without_instance(int32_t opcode, void* ptr);

 private:
  std::string dispatch_text(int32_t opcode, int32_t index);
  bool run(AEffectProcessProc proc, float* left, float* right, int32_t frames);

  AEffect* effect_ = nullptr;
  transport transport_;
  host_requests requests_;
  event_list events_;
  VstTimeInfo time_info_{};
  int32_t block_size_ = default_block_size;
  bool resumed_ = false;
  host_identity identity_;
  // Buffers for inputs and for outputs beyond the two the caller gives.
  std::vector<float> silence_;
  std::vector<float> scratch_;
  std::vector<float*> inputs_;
  std::vector<float*> outputs_;
};

}  // namespace vsthost
