#include "plugin/vst2/vst2_shell.h"

#include "plugin/vst2/effect_base.h"

namespace plugin {

void vst2_shell::automate(int32_t index, float normalised) {
  owner_->call_host(audioMasterAutomate, index, 0, nullptr, normalised);
}

void vst2_shell::begin_edit(int32_t index) { owner_->call_host(audioMasterBeginEdit, index); }
void vst2_shell::end_edit(int32_t index) { owner_->call_host(audioMasterEndEdit, index); }

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
