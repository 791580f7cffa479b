#include "tools/soak/soak_host.h"

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "plugin/vst2/tool_request.h"
#include "riff/chunk.h"
#include "tools/soak/soak_replay.h"
#include "tools/ahx/module.h"
#include "tools/ahx/song_text.h"

namespace soak {

namespace {

// Commands of the editor's channel (plugin/synth_command.h) the soak sends.
enum : int32_t {
  cmd_display = 6, cmd_value = 11, cmd_preset_name = 13, cmd_save_preset = 26, cmd_load_preset = 27, cmd_load_bank = 28, cmd_save_bank = 29,
  cmd_load_state = 30, cmd_save_state = 31, cmd_save_start_bank = 42, cmd_load_start_bank = 43,
  cmd_save_start_state = 44, cmd_load_start_state = 45, cmd_load_sequence = 56, cmd_start_stop_sequence = 57,
  cmd_arm_learn = 59, cmd_clear_cc_map = 61, cmd_saw_count = 63, cmd_slot_count = 67, cmd_voices_rendered = 68, cmd_voice_activity = 78,
};
constexpr int32_t max_voices = 512;           // 32 slots x 16 unison layers
constexpr int32_t stage_release = 3;           // voice_activity: 0..2 held, 3 released
// Content scales a host may announce for high-density screens.
constexpr float editor_scales_offered[editor_scales] = {1.f, 1.25f, 1.5f, 2.f};
constexpr int32_t content_scale_index = vst_fourcc('P', 'r', 'e', 'S');
constexpr int32_t content_scale_value = vst_fourcc('A', 'e', 'C', 's');
// The registry's effects by name (fx/registry.cpp), as the slot menu offers them.
constexpr const char* effect_names[effect_kinds] = {
    "Gate",      "Clipper", "Reverb",     "Multiplier", "Rectifier", "Limiter",   "RC Filter", "Tremolo",
    "Tone",      "Compressor", "Phaser",  "Crossfeed",  "Follower",  "Quantizer", "mDelay",    "Ringmod"};

double now(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

bool set_up_folders(const std::filesystem::path& root) {
  std::error_code ec;
  for (const char* sub : {"home", "data", "cache", "files"}) std::filesystem::create_directories(root / sub, ec);
  if (ec) return false;
  setenv("HOME", (root / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
  setenv("XDG_CACHE_HOME", (root / "home").c_str(), 1);
  setenv("VORN_DATA_DIR", ((root / "data").string() + "/").c_str(), 1);
  setenv("VORN_CACHE_DIR", ((root / "cache").string() + "/").c_str(), 1);
  return true;
}

bool write_song(const std::string& text_path, const std::string& out_path, std::string& error) {
  std::ifstream in(text_path, std::ios::binary);
  if (!in) {
    error = "cannot read " + text_path;
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ahx::module m;
  if (!ahx::parse_song_text(text, m, error)) return false;
  const std::vector<uint8_t> bytes = ahx::write_module(m);
  std::ofstream out(out_path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) error = "cannot write " + out_path;
  return bool(out);
}

}  // namespace

host::~host() {
  if (instance_.effect()) {
    if (editor_open_) instance_.dispatch(effEditClose);
    instance_.close();
  }
  library_.close();
  if (x_) {
    XDestroyWindow(x_, parent_);
    XCloseDisplay(x_);
  }
  display_.reset();
  std::error_code ec;
  if (!root_.empty()) std::filesystem::remove_all(root_, ec);
}

bool host::start(const std::string& plugin_path, const std::string& song_text_path, std::string& error) {
  std::string pattern = (std::filesystem::temp_directory_path() / "vorn-soak-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    error = "no temporary folder";
    return false;
  }
  root_ = pattern;
  files_ = root_ / "files";
  if (!set_up_folders(root_)) {
    error = "cannot make the folders in " + root_.string();
    return false;
  }
  song_path_ = (files_ / "song.ahx").string();
  if (!write_song(song_text_path, song_path_, error)) return false;

  display_ = std::make_unique<xvfb::server>();
  if (!display_->running()) {
    error = "Xvfb: " + display_->failure();
    return false;
  }
  setenv("DISPLAY", display_->display().c_str(), 1);  // the editor opens the host's display
  x_ = XOpenDisplay(display_->display().c_str());
  if (!x_) {
    error = "cannot open " + display_->display();
    return false;
  }
  parent_width_ = 800;
  parent_height_ = 600;
  parent_ = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, unsigned(parent_width_), unsigned(parent_height_),
                                0, 0, 0x202020);
  XMapWindow(x_, parent_);
  XSync(x_, False);

  if (!library_.open(plugin_path, error) || !instance_.create(library_, error)) return false;
  instance_.set_sample_rate(sample_rate);
  instance_.set_block_size(block_frames);
  instance_.resume();
  chunk_copy_.reserve(1 << 20);
  // The memory check's fixed state: the instance as it starts.
  fixed_state_path_ = (files_ / "fixed.vornstate").string();
  const command_result saved = command(cmd_save_state, 0, fixed_state_path_.c_str());
  if (!saved.result.empty()) {
    error = "cannot save the fixed state: " + saved.result;
    return false;
  }
  return true;
}

int64_t host::heap_bytes() {
  const struct mallinfo2 m = mallinfo2();
  return int64_t(m.uordblks + m.hblkhd);
}

int64_t host::resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * int64_t(sysconf(_SC_PAGESIZE));
}

host::command_result host::command(int32_t number, int32_t index, const char* text) {
  plugin::command_request r;
  r.command = number;
  r.index = index;
  r.text = text;
  instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::command_request_value, &r);
  return {r.returned, r.result};
}

int32_t host::polyphony() { return command(cmd_slot_count).returned; }

// "Unison Voices" 0..15 is 1..16 layers; its normalised value n is step
// floor(n * 15.999).
int32_t host::unison_layers() {
  const float n = instance_.effect()->getParameter(instance_.effect(), unison_parameter);
  return int32_t(n * (float(unison_steps - 1) + 0.999f)) + 1;
}

std::string host::sound_now() {
  const auto text_of = [this](int32_t number, int32_t index) {
    plugin::command_request r;
    r.command = number;
    r.index = index;
    instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::command_request_value, &r);
    return std::string(r.text_out, strnlen(r.text_out, sizeof r.text_out));
  };
  // A parameter with no display of its own ("Parameter Filter"): its value.
  const auto display = [&](int32_t index) {
    std::string text = text_of(cmd_display, index);
    if (text != "invalid") return text;
    plugin::command_request r;
    r.command = cmd_value;
    r.index = index;
    instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::command_request_value, &r);
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", double(r.value));
    return std::string(value);
  };
  voice_stages stages;
  for (int32_t v = 0; v < max_voices; ++v) {
    const int32_t stage = command(cmd_voice_activity, v).returned;
    if (stage < 0) break;  // past the pool
    stages.add(stage);
  }
  return sound_line(text_of(cmd_preset_name, -1), display,
                    slot_effects_, command(cmd_saw_count).returned, command(cmd_voices_rendered).returned, stages);
}

std::string host::save_state_to(const std::string& path) { return command(cmd_save_state, 0, path.c_str()).result; }

std::string host::file_path(const char* kind, int32_t number) const {
  return (files_ / ("soak-" + std::to_string(number) + kind)).string();
}

// Saves are checked whole on disk; loads only of what this soak saved whole
// (a load of a file never saved is the menus' business, not a breach).
void host::file_action(const action& a, checker& check, double seconds) {
  struct kind_row {
    act save, load;
    const char* extension;
    const char* id;
    int32_t save_command, load_command;
  };
  static constexpr kind_row rows[] = {
      {act::save_state, act::load_state, ".vornstate", "vorn", cmd_save_state, cmd_load_state},
      {act::save_bank, act::load_bank, ".vornbank", "kvxb", cmd_save_bank, cmd_load_bank},
      {act::save_preset, act::load_preset, ".vornpreset", "kvxi", cmd_save_preset, cmd_load_preset},
  };
  for (size_t k = 0; k < 3; ++k) {
    const kind_row& row = rows[k];
    if (a.kind != row.save && a.kind != row.load) continue;
    const std::string path = file_path(row.extension, a.a);
    if (a.kind == row.save) {
      command_result r = command(row.save_command, 0, path.c_str());
      if (r.result == "saved preset") r.result.clear();  // the preset save's own word for success
      check.saved(path, row.id, r.result, seconds);
      saved_[k][size_t(a.a)] = r.result.empty();
    } else if (saved_[k][size_t(a.a)]) {
      command_result r = command(row.load_command, 0, path.c_str());
      // Bank and preset loads report success in words ("loaded bank ...",
      // "loaded preset ?"), as the editor shows them.
      if (r.result.rfind("loaded ", 0) == 0) r.result.clear();
      check.loaded(path, r.result, seconds);
    }
  }
}

void host::start_files(const action& a, checker& check, double seconds) {
  const std::string data = std::getenv("VORN_DATA_DIR");
  if (a.a == 0) {
    const bool state = command(cmd_save_start_state).returned == 1;
    check.saved(data + "init.vornstate", "vorn", state ? "" : "init.vornstate not saved", seconds);
    const bool bank = command(cmd_save_start_bank).returned == 1;
    check.saved(data + "init.vornbank", "kvxb", bank ? "" : "init.vornbank not saved", seconds);
    start_files_saved_ = state && bank;
  } else if (start_files_saved_) {
    check.loaded(data + "init.vornstate", command(cmd_load_start_state).returned == 1 ? "" : "not loaded", seconds);
    check.loaded(data + "init.vornbank", command(cmd_load_start_bank).returned == 1 ? "" : "not loaded", seconds);
  }
}

// A host saving its project and reopening it: the chunk's bytes back in.
void host::chunk_round(const action& a, checker& check, double seconds) {
  void* data = nullptr;
  const intptr_t size = instance_.dispatch(effGetChunk, a.a, 0, &data);
  const char* id = a.a ? "kvxi" : "vorn";
  const riff::chunk_view c = size > 0 && data ? riff::chunk_at(data, size_t(size)) : riff::chunk_view{};
  if (!c || c.size != size_t(size) || std::memcmp(c.data, id, 4) != 0) {
    check.loaded("the host chunk", "effGetChunk gave " + std::to_string(size) + " bytes that are no whole chunk",
                 seconds);
    return;
  }
  chunk_copy_.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  instance_.dispatch(effSetChunk, a.a, intptr_t(chunk_copy_.size()), chunk_copy_.data());
}

void host::song(bool start) {
  plugin::sequence_status_request status;
  instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::sequence_status_value, &status);
  const bool playing = status.mode == 1;
  if (start && !song_loaded_) {
    song_loaded_ = command(cmd_load_sequence, 0, song_path_.c_str()).returned == 0;
  } else if (start != playing) {
    command(cmd_start_stop_sequence);
  }
}

// Every voice of the pool: one whose amplitude stage is attack, decay or
// sustain five seconds after all notes off is held by nobody.
void host::stuck_check(checker& check, double seconds) {
  int32_t held = 0, sounding = 0;
  for (int32_t v = 0; v < max_voices; ++v) {
    const int32_t stage = command(cmd_voice_activity, v).returned;
    if (stage < 0) break;  // past the pool
    if (stage < stage_release) ++held;
    if (stage != 4) ++sounding;
  }
  check.stuck_voices(held, sounding, seconds);
}

void host::empty_slots() {
  for (int32_t slot = 0; slot < effect_slots; ++slot) {
    plugin::fx_slot_request r;
    r.slot = slot;
    r.name = "-";
    instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r);
    slot_effects_[size_t(slot)] = "-";
  }
}

// The memory check's fixed state (checker::memory): what the user may have
// open or loaded is closed, emptied or replaced by the state saved at the
// start. The slots are emptied again at the sample, when their fades are
// over: that destroys the effects the first emptying retired.
void host::settle(checker& check, double seconds) {
  song(false);
  editor_close();
  command(cmd_clear_cc_map);
  empty_slots();
  const command_result r = command(cmd_load_state, 0, fixed_state_path_.c_str());
  check.loaded(fixed_state_path_, r.result, seconds);
}

void host::memory_sample(checker& check, double seconds) {
  empty_slots();
  instance_.clear_requests();
  malloc_trim(0);
  check.memory(heap_bytes(), resident_bytes(), seconds);
}

void host::editor_open() {
  if (editor_open_) return;
  editor_open_ = instance_.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent_)) == 1;
  follow_editor_size();
}

void host::editor_close() {
  if (!editor_open_) return;
  instance_.dispatch(effEditClose);
  editor_open_ = false;
}

void host::editor_resize(int32_t scale_index) {
  instance_.dispatch(effVendorSpecific, content_scale_index, content_scale_value, nullptr,
                     editor_scales_offered[size_t(scale_index % editor_scales)]);
  instance_.dispatch(effEditIdle);
  follow_editor_size();
}

// The parent window follows the editor's size, as hosts follow effEditGetRect
// and audioMasterSizeWindow.
void host::follow_editor_size() {
  ERect* rect = nullptr;
  int32_t w = 0, h = 0;
  if (instance_.dispatch(effEditGetRect, 0, 0, &rect) == 1 && rect) {
    w = rect->right - rect->left;
    h = rect->bottom - rect->top;
  }
  if (instance_.requests().window_width > 0) {
    w = instance_.requests().window_width;
    h = instance_.requests().window_height;
  }
  if (w <= 0 || h <= 0 || (w == parent_width_ && h == parent_height_)) return;
  parent_width_ = w;
  parent_height_ = h;
  XResizeWindow(x_, parent_, unsigned(w), unsigned(h));
  XSync(x_, False);
}

void host::apply(const action& a, checker& check, double seconds) {
  ++done_.by_kind[size_t(a.kind)];
  switch (a.kind) {
    case act::note_on: instance_.queue_midi(a.frame, 0x90, uint8_t(a.a), uint8_t(a.b)); break;
    case act::note_off: instance_.queue_midi(a.frame, 0x80, uint8_t(a.a), 0); break;
    case act::controller:
    case act::all_notes_off: instance_.queue_midi(a.frame, 0xB0, uint8_t(a.a), uint8_t(a.b)); break;
    case act::pitch_bend: instance_.queue_midi(a.frame, 0xE0, uint8_t(a.a & 0x7F), uint8_t(a.a >> 7)); break;
    case act::midi_program: instance_.queue_midi(a.frame, 0xC0, uint8_t(a.a), 0); break;
    case act::host_program: instance_.set_program(a.a); break;
    // The globals are the editor's: hosts never see them, so they go to the
    // entry's setParameter directly (the host library keeps to 0..88).
    case act::automate: instance_.effect()->setParameter(instance_.effect(), a.a, a.value); break;
    case act::tempo: instance_.set_tempo(double(a.value)); break;
    case act::effect_swap: {
      plugin::fx_slot_request r;
      r.slot = a.a;
      r.name = a.b < 0 ? "-" : effect_names[size_t(a.b)];
      slot_effects_[size_t(a.a)] = r.name;
      instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r);
      break;
    }
    case act::effect_value: {
      plugin::fx_slot_request r;
      r.slot = a.a;
      r.parameter = a.b;
      r.value = a.value;
      instance_.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r);
      break;
    }
    case act::learn_arm: command(cmd_arm_learn, a.a); break;
    case act::learn_clear: command(cmd_clear_cc_map); break;
    case act::save_state:
    case act::load_state:
    case act::save_bank:
    case act::load_bank:
    case act::save_preset:
    case act::load_preset: file_action(a, check, seconds); break;
    case act::start_files: start_files(a, check, seconds); break;
    case act::chunk_round: chunk_round(a, check, seconds); break;
    case act::song_start: song(true); break;
    case act::song_stop: song(false); break;
    case act::editor_open: editor_open(); break;
    case act::editor_close: editor_close(); break;
    case act::editor_resize:
      if (editor_open_) editor_resize(a.a);
      break;
    case act::editor_idle:
      if (editor_open_) {
        instance_.dispatch(effEditIdle);
        follow_editor_size();
      }
      break;
    case act::stuck_check: stuck_check(check, seconds); break;
    case act::settle: settle(check, seconds); break;
    case act::memory_sample: memory_sample(check, seconds); break;
    case act::count: break;
  }
}

double host::process(checker& check, double seconds) {
  rusage u0{}, u1{};
  getrusage(RUSAGE_THREAD, &u0);
  const double cpu0 = now(CLOCK_THREAD_CPUTIME_ID), wall0 = now(CLOCK_MONOTONIC);
  last_start_ = wall0;
  instance_.process(left_.data(), right_.data(), block_frames);
  const double cpu1 = now(CLOCK_THREAD_CPUTIME_ID), wall1 = now(CLOCK_MONOTONIC);
  getrusage(RUSAGE_THREAD, &u1);
  last_faults_ = u1.ru_minflt - u0.ru_minflt + u1.ru_majflt - u0.ru_majflt;
  last_switches_ = u1.ru_nivcsw - u0.ru_nivcsw;
  last_hash_ = block_hash(left_.data(), right_.data(), block_frames);
  check.block(left_.data(), right_.data(), block_frames, cpu1 - cpu0, wall1 - wall0, seconds);
  return cpu1 - cpu0;
}

}  // namespace soak
