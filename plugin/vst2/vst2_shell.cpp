#include "plugin/vst2/vst2_shell.h"

#include <cstring>

#include "plugin/vst2/effect_base.h"

namespace plugin {

namespace {

// Where edit messages go, by host.
//
// Ardour (seen with 7.3) runs effEditIdle, and with it all of the editor's
// work, on a thread of its own ("LXVSTEventLoop") that has no tempo map of
// its own. A begin-edit or automate call from there, on a parameter whose
// automation is in Touch or Latch and kept in musical time (as on every
// MIDI track), makes Ardour convert the time on that thread and end with
// SIGSEGV (Temporal::TempoMap::metric_at, under start_touch and under
// ControlList::add), rolling or stopped. Ardour's processing threads have
// the tempo map, and Ardour takes these calls from them (plug-ins that
// automate from their processing do so): for Ardour the messages wait in a
// lock-free queue and go out at the start of the next processing call, in
// the order made, balanced, with the latest value standing for the rest if
// the queue fills.
//
// Ardour keeps processing its plug-ins while the transport is stopped, so
// edits made then still reach it within a block. When it does not process
// (the plug-in deactivated, the engine stopped) the messages wait, and the
// host hears of the gesture, coalesced, when processing resumes: sending
// them from the editor's thread meanwhile is exactly what ends Ardour, and
// a host that is not processing records nothing anyway.
//
// Which Ardour: every one. Its audioMasterGetVendorVersion answers a fixed
// 900, not its release, so a version with a mended event-loop thread cannot
// be told apart, and the processing thread is a safe place in all of them.
// Other hosts keep the messages from the editor's thread, where the format
// expects them.
bool edits_belong_in_process(const char* product) { return std::strncmp(product, "Ardour", 6) == 0; }

}  // namespace

void vst2_shell::meet_host() {
  char product[kVstMaxProductStrLen + 1] = {};
  owner_->call_host(audioMasterGetProductString, 0, 0, product);
  product[kVstMaxProductStrLen] = '\0';
  edits_in_process_.store(edits_belong_in_process(product), std::memory_order_relaxed);
}

void vst2_shell::send(const edit_message& m) {
  switch (m.kind) {
    case edit_message::begin:
      owner_->call_host(audioMasterBeginEdit, m.index);
      break;
    case edit_message::automate:
      owner_->call_host(audioMasterAutomate, m.index, 0, nullptr, m.value);
      break;
    case edit_message::end:
      owner_->call_host(audioMasterEndEdit, m.index);
      break;
  }
}

// A message made inside the processing call (a controller moving a
// parameter) is already where the host wants it.
void vst2_shell::relay(edit_message::kind_t kind, int32_t index, float value) {
  const bool queue = edits_in_process() && process_thread_.load(std::memory_order_acquire) != std::this_thread::get_id();
  if (queue) edits_.push(kind, index, value);
  else send(edit_message{kind, index, value});
}

void vst2_shell::automate(int32_t index, float normalised) { relay(edit_message::automate, index, normalised); }
void vst2_shell::begin_edit(int32_t index) { relay(edit_message::begin, index, 0.f); }
void vst2_shell::end_edit(int32_t index) { relay(edit_message::end, index, 0.f); }

void vst2_shell::process_starts() {
  process_thread_.store(std::this_thread::get_id(), std::memory_order_release);
  edits_.drain([this](const edit_message& m) { send(m); });
}

void vst2_shell::process_ends() { process_thread_.store(std::thread::id(), std::memory_order_release); }

void vst2_shell::editor_idled() {
  if (edits_in_process()) edits_.flush();
}

bool vst2_shell::resize_editor(int32_t width, int32_t height) {
  if (owner_->call_host(audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow")) <= 0) return false;
  owner_->call_host(audioMasterSizeWindow, width, height);
  return true;
}

void vst2_shell::update_display() { owner_->call_host(audioMasterUpdateDisplay); }

bool vst2_shell::time(host_time& out) {
  if (!owner_->host()) return false;
  const auto* t = reinterpret_cast<const VstTimeInfo*>(owner_->call_host(audioMasterGetTime, 0, -1));
  if (!t) return false;
  out.tempo_valid = (t->flags & kVstTempoValid) != 0;
  out.tempo_bpm = t->tempo;
  out.playing = (t->flags & kVstTransportPlaying) != 0;
  out.position_valid = (t->flags & kVstPpqPosValid) != 0;
  out.position_quarters = t->ppqPos;
  return true;
}

}  // namespace plugin
