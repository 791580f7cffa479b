// The audio side: notes, note expressions and parameter points of a process
// call queued on the instance at their frames, the host's transport, the
// render itself.
#include <algorithm>
#include <cmath>

#include "platform/fp_mode.h"
#include "plugin/vst3/note_expression.h"
#include "plugin/vst3/vst3_plugin.h"

namespace vst3_shell {

namespace {

using namespace vst3;

constexpr uint8_t note_off_status = 0x80;
constexpr uint8_t note_on_status = 0x90;
constexpr uint8_t poly_pressure_status = 0xA0;
constexpr uint8_t control_status = 0xB0;
constexpr uint8_t program_status = 0xC0;
constexpr uint8_t channel_pressure_status = 0xD0;
constexpr uint8_t pitch_bend_status = 0xE0;
constexpr int32_t max_7bit = 127;
constexpr int32_t max_14bit = 16383;

int32_t to_7bit(double v) { return std::clamp(int32_t(std::lround(v * max_7bit)), 0, max_7bit); }

// A hidden MIDI parameter's value as the message it stands for: 7-bit
// controllers and pressure at value * 127, pitch bend at value * 16383, so
// 0.5 is the centre (8192) and every 14-bit value comes back exactly.
void add_midi_parameter(block_events& block, int32_t frame, ParamID id, double value) {
  const uint32_t slot = id - midi_param_first;
  const uint8_t channel = uint8_t(slot / midi_controls);
  const int32_t control = int32_t(slot % midi_controls);
  if (control == pitch_bend_control) {
    const int32_t bend = std::clamp(int32_t(std::lround(value * max_14bit)), 0, max_14bit);
    block.add_midi(frame, pitch_bend_status | channel, uint8_t(bend & 0x7F), uint8_t(bend >> 7), 3);
  } else if (control == channel_pressure_control) {
    block.add_midi(frame, channel_pressure_status | channel, uint8_t(to_7bit(value)), 0, 2);
  } else {
    block.add_midi(frame, control_status | channel, uint8_t(control), uint8_t(to_7bit(value)), 3);
  }
}

}  // namespace

void vst3_plugin::gather_parameter_changes(IParameterChanges* changes, int32_t frames) {
  if (!changes) return;
  const int32 queues = changes->getParameterCount();
  const int32_t last = std::max(frames - 1, 0);
  for (int32 q = 0; q < queues; ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const ParamID id = queue->getParameterId();
    const bool known = is_sound_param(id) || id == program_param_id || is_midi_param(id);
    if (!known) continue;
    const int32 points = queue->getPointCount();
    for (int32 p = 0; p < points; ++p) {
      int32 offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(p, offset, value) != kResultOk) continue;
      if (!(value >= 0.0)) value = 0.0;  // NaN too
      value = std::min(value, 1.0);
      const int32_t frame = std::clamp(int32_t(offset), 0, last);
      if (is_sound_param(id)) {
        block_.add_parameter(frame, int32_t(id), float(value));
      } else if (id == program_param_id) {
        const int32_t program = std::clamp(int32_t(std::lround(value * (plugin::instance::program_count - 1))), 0,
                                           plugin::instance::program_count - 1);
        block_.add_midi(frame, program_status, uint8_t(program), 0, 2);
      } else {
        midi_values_[id - midi_param_first] = float(value);
        add_midi_parameter(block_, frame, id, value);
      }
    }
  }
}

void vst3_plugin::gather_events(IEventList* events, int32_t frames) {
  if (!events || !event_bus_active_) return;
  const int32 count = events->getEventCount();
  const int32_t last = std::max(frames - 1, 0);
  for (int32 i = 0; i < count; ++i) {
    Event e{};
    if (events->getEvent(i, e) != kResultOk || e.busIndex != 0) continue;
    const int32_t frame = std::clamp(int32_t(e.sampleOffset), 0, last);
    switch (e.type) {
      case kNoteOnEvent: {
        const NoteOnEvent& n = e.noteOn;
        if (n.channel < 0 || n.channel > 15 || n.pitch < 0 || n.pitch > 127) break;
        // A note-on of velocity 0 would be read as a note-off: the softest is 1.
        const int32_t velocity = std::max(to_7bit(n.velocity), 1);
        block_.add_midi(frame, note_on_status | uint8_t(n.channel), uint8_t(n.pitch), uint8_t(velocity), 3);
        // The note's own tuning bends it from its first sample (the bend
        // follows the note-on at the same frame).
        const float tuning = note_on_semitones(n.tuning);
        if (tuning != 0.f) add_note_bend(frame, n.pitch, tuning);
        notes_.start(n.noteId, n.channel, n.pitch, tuning);
        break;
      }
      case kNoteOffEvent: {
        const NoteOffEvent& n = e.noteOff;
        if (n.channel < 0 || n.channel > 15 || n.pitch < 0 || n.pitch > 127) break;
        block_.add_midi(frame, note_off_status | uint8_t(n.channel), uint8_t(n.pitch), uint8_t(to_7bit(n.velocity)),
                        3);
        notes_.end(n.noteId, n.channel, n.pitch);
        break;
      }
      case kPolyPressureEvent: {
        const PolyPressureEvent& n = e.polyPressure;
        if (n.channel < 0 || n.channel > 15 || n.pitch < 0 || n.pitch > 127) break;
        // With an ID the note is the one started under it, wherever the
        // pitch field points; an ID no held note has presses nothing.
        int16 channel = n.channel, pitch = n.pitch;
        if (n.noteId != -1) {
          const held_note* held = notes_.find(n.noteId);
          if (!held) break;
          channel = held->channel;
          pitch = held->pitch;
        }
        block_.add_midi(frame, poly_pressure_status | uint8_t(channel), uint8_t(pitch),
                        uint8_t(to_7bit(n.pressure)), 3);
        break;
      }
      case kNoteExpressionValueEvent:
        gather_note_expression(e.noteExpressionValue, frame);
        break;
      default:
        break;  // system exclusive, text expression, chords, scales: not played
    }
  }
}

// A value for one note, found by its ID (expressions carry no pitch, so a
// note started without an ID cannot be reached); unknown IDs and types, and
// values that are no number, change nothing.
void vst3_plugin::gather_note_expression(const NoteExpressionValueEvent& x, int32_t frame) {
  held_note* held = notes_.find(x.noteId);
  if (!held || !std::isfinite(x.value)) return;
  switch (x.typeId) {
    case note_expression_type::tuning:
      held->expression_semitones = tuning_semitones(x.value);
      add_note_bend(frame, held->pitch, held->start_semitones + held->expression_semitones);
      break;
    case note_expression_type::brightness:
      block_.add_note_expression(frame, held->pitch, uint8_t(plugin::instance::note_detail::slide),
                                 float(std::clamp(x.value, 0.0, 1.0)));
      break;
    default:
      break;  // see note_expression.h
  }
}

void vst3_plugin::add_note_bend(int32_t frame, int32_t key, float semitones) {
  block_.add_note_expression(frame, key, uint8_t(plugin::instance::note_detail::bend_semitones), semitones);
}

void vst3_plugin::read_context(const ProcessContext* context) {
  time_valid_ = context != nullptr;
  if (!context) return;
  time_ = plugin::host_time{};
  time_.tempo_valid = (context->state & kTempoValid) != 0 && context->tempo > 0.0;
  if (time_.tempo_valid) time_.tempo_bpm = context->tempo;
  time_.playing = (context->state & kPlaying) != 0;
  time_.position_valid = (context->state & kProjectTimeMusicValid) != 0;
  if (time_.position_valid) time_.position_quarters = context->projectTimeMusic;
}

bool vst3_plugin::time(plugin::host_time& out) {
  if (!time_valid_) return false;
  out = time_;
  return true;
}

tresult VST3_CALL vst3_plugin::process(ProcessData& data) {
  if (!active_ || !instance_) return kResultFalse;
  if (data.symbolicSampleSize != kSample32) return kResultFalse;
  if (data.numSamples < 0) return kInvalidArgument;
  platform::scoped_fp_mode fp_mode;
  audio_thread_.store(std::this_thread::get_id());
  output_change_count_ = 0;
  block_.clear();
  gather_parameter_changes(data.inputParameterChanges, data.numSamples);
  gather_events(data.inputEvents, data.numSamples);
  read_context(data.processContext);
  render(data);
  report_output_changes(data.outputParameterChanges);
  audio_thread_.store(std::thread::id());
  return kResultOk;
}

void vst3_plugin::queue_event(const block_event& e, int32_t frame) {
  if (e.kind == block_event::midi)
    instance_->queue_midi(frame, e.bytes, e.size);
  else
    instance_->queue_note_expression(frame, e.index, plugin::instance::note_detail(e.size), e.value);
}

void vst3_plugin::render(ProcessData& data) {
  const int32_t frames = data.numSamples;
  if (frames == 0) {
    // A parameter flush: the values take effect now, so a state saved next
    // holds them; notes and MIDI wait for the next block.
    for (int32_t i = 0; i < block_.size(); ++i) {
      const block_event& e = block_[i];
      if (e.kind == block_event::parameter)
        instance_->set_parameter(e.index, e.value);
      else
        queue_event(e, 0);
    }
    return;
  }
  for (int32_t i = 0; i < block_.size(); ++i) {
    const block_event& e = block_[i];
    if (e.kind == block_event::parameter)
      instance_->queue_parameter(e.frame, e.index, e.value);
    else
      queue_event(e, e.frame);
  }
  AudioBusBuffers* out = data.numOutputs > 0 ? data.outputs : nullptr;
  float* left = nullptr;
  float* right = nullptr;
  if (out && out->numChannels >= 2 && out->channelBuffers32) {
    left = out->channelBuffers32[0];
    right = out->channelBuffers32[1];
  }
  if (left && right) {
    instance_->process(left, right, frames);
    out->silenceFlags = 0;
    return;
  }
  // No usable buffers: the engine still runs, so time and voices move on.
  const int32_t piece_max = int32_t(scratch_.size() / 2);
  for (int32_t done = 0; done < frames && piece_max > 0;) {
    const int32_t piece = std::min(frames - done, piece_max);
    instance_->process(scratch_.data(), scratch_.data() + piece_max, piece);
    done += piece;
  }
}

void vst3_plugin::report_output_changes(IParameterChanges* out) {
  if (!out) return;
  for (int32_t i = 0; i < output_change_count_; ++i) {
    int32 queue_index = 0;
    IParamValueQueue* queue = out->addParameterData(output_changes_[i].id, queue_index);
    int32 point_index = 0;
    if (queue) queue->addPoint(0, output_changes_[i].value, point_index);
  }
}

}  // namespace vst3_shell
