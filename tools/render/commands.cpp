#include "tools/render/commands.h"

#include <cstdio>
#include <cstdlib>

#include "plugin/synth_command.h"
#include "plugin/vst2/tool_request.h"
#include "riff/staged_file.h"
#include "tools/render/audio_writer.h"
#include "tools/render/effect_report.h"
#include "tools/render/midi_file.h"
#include "tools/render/plugin_report.h"
#include "tools/render/progress_bar.h"
#include "tools/render/render_job.h"
#include "tools/render/sequence_job.h"
#include "tools/render/shot_file.h"
#include "tools/render/sound_files.h"
#include "tools/vsthost/plugin_instance.h"

namespace render {

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "vorn-render: %s\n", message.c_str());
  return 1;
}

std::string plugin_path_of(const options& o) {
  return o.plugin_path.empty() ? default_plugin_path() : o.plugin_path;
}

bool load(const options& o, vsthost::plugin_library& library, vsthost::plugin_instance& plugin,
          std::string& error) {
  const std::string path = plugin_path_of(o);
  if (!library.open(path, error)) return false;
  if (!plugin.create(library, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

// State and bank first (they replace the presets), then the program, the
// preset into it, the waves, and the parameters last: each step may replace
// what the one before set.
bool configure(const options& o, vsthost::plugin_instance& plugin, std::string& error) {
  plugin.set_sample_rate(o.sample_rate);
  plugin.set_block_size(o.block_size);
  if (!o.state_path.empty() && !apply_state_file(plugin, o.state_path, error)) return false;
  if (!o.bank_path.empty() && !apply_bank_file(plugin, o.bank_path, error)) return false;
  if (o.program >= 0) {
    if (o.program >= plugin.num_programs()) {
      error = "program " + std::to_string(o.program) + " out of range (the plug-in has " +
              std::to_string(plugin.num_programs()) + ")";
      return false;
    }
    plugin.set_program(o.program);
  }
  if (!o.preset_path.empty() && !apply_preset_file(plugin, o.preset_path, error)) return false;
  for (const std::string& wave : o.wave_paths)
    if (!add_wave_file(plugin, wave, error)) return false;
  // The scale first, then the mapping applies to it.
  for (const std::string* path : {&o.tuning_path, &o.keymap_path}) {
    if (path->empty()) continue;
    const plugin::command_request r = send_command(plugin, plugin::command::load_tuning, path->c_str());
    if (r.returned != 0) {
      error = *path + ": " + r.result;
      return false;
    }
  }
  for (const param_setting& p : o.params) {
    int32_t index = plugin.find_param(p.key);
    if (index < 0) {
      char* end = nullptr;
      const long n = std::strtol(p.key.c_str(), &end, 10);
      if (*end == 0 && n >= 0 && n < plugin.num_params()) index = int32_t(n);
    }
    if (index < 0) {
      error = "no parameter named or numbered \"" + p.key + "\"";
      return false;
    }
    plugin.set_parameter(index, p.value);
  }
  return true;
}

// Effects into their slots, then their parameters, through the private
// vendor request; each accepted setting is described in notes.
bool configure_effects(const options& o, vsthost::plugin_instance& plugin, std::string& notes,
                       std::string& error) {
  for (const fx_setting& f : o.effects) {
    plugin::fx_slot_request r;
    r.slot = f.slot;
    r.name = f.name.c_str();
    const bool filled = plugin.dispatch(effVendorSpecific, plugin::tool_request_index,
                                        plugin::fx_slot_request_value, &r) != 0;
    if (!filled && f.name != "-") {
      error = "no effect named \"" + f.name + "\" (see --list-fx)";
      return false;
    }
    notes += "effect slot " + std::to_string(f.slot) + ": " + (filled ? r.display : "-") + "\n";
  }
  for (const fx_param_setting& p : o.fx_params) {
    plugin::fx_slot_request r;
    r.slot = p.slot;
    r.parameter = p.index;
    r.value = p.value;
    if (!plugin.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r)) {
      error = "effect slot " + std::to_string(p.slot) + " is empty or has no parameter " +
              std::to_string(p.index);
      return false;
    }
    notes += "effect slot " + std::to_string(p.slot) + ": " + r.display + "\n";
  }
  return true;
}

// The files saved after the render must be writable before it starts: a
// render is not thrown away for a save that could never succeed.
bool check_save_targets(const options& o, std::string& error) {
  for (const std::string* path : {&o.save_state_path, &o.save_preset_path}) {
    if (path->empty() || riff::staged_file::can_create(*path)) continue;
    error = "cannot save " + *path + " (the folder is missing or not writable)";
    return false;
  }
  return true;
}

// Everything before a render: the plug-in loaded and configured, its effect
// slots filled (and reported), the save targets checked, the instance
// resumed. The output is opened by the caller only after this (and, for a
// song, its loading) succeeded, so no bad input ever touches it.
bool prepare(const options& o, vsthost::plugin_library& library, vsthost::plugin_instance& plugin,
             std::string& error) {
  if (!load(o, library, plugin, error) || !configure(o, plugin, error)) return false;
  std::string notes;
  if (!configure_effects(o, plugin, notes, error) || !check_save_targets(o, error)) return false;
  std::fputs(notes.c_str(), stdout);
  plugin.resume();
  return true;
}

// Everything after a render: suspended; when it went `ok` the file completed
// in place of the target, the state and preset saved when asked for, the
// first summary line printed; otherwise the target left as it was.
bool finish(const options& o, const vsthost::plugin_library& library, vsthost::plugin_instance& plugin,
            audio_writer& writer, bool ok, std::string& error) {
  plugin.suspend();
  if (!ok) {
    writer.discard();
    return false;
  }
  if (!writer.close(error)) return false;
  if (!o.save_state_path.empty() && !save_state_file(plugin, o.save_state_path, error)) return false;
  if (!o.save_preset_path.empty() && !save_preset_file(plugin, o.save_preset_path, error)) return false;
  std::printf("rendered %s (%s) with %s\n", o.output_path.c_str(), audio_writer::format_for(o.output_path).c_str(),
              library.path().c_str());
  return true;
}

bool events_of(const options& o, std::vector<midi::timed_message>& messages, double& end,
               std::string& error) {
  if (o.what == command::note) {
    messages = single_note(o.note, o.velocity, o.note_seconds);
    end = o.note_seconds;
    return true;
  }
  midi::song song;
  if (!midi::read_file(o.midi_path, song, error)) return false;
  messages = std::move(song.messages);
  end = song.length_seconds;
  return true;
}

}  // namespace

int run_info(const options& o) {
  vsthost::plugin_library library;
  vsthost::plugin_instance plugin;
  std::string error;
  // A state, bank, program or preset given with --info is loaded first, so
  // the programs listed are the ones it holds.
  if (!load(o, library, plugin, error) || !configure(o, plugin, error)) return fail(error);
  std::printf("plug-in          %s\n", library.path().c_str());
  std::fputs(identity_report(plugin).c_str(), stdout);
  std::fputs(programs_report(plugin).c_str(), stdout);
  std::fputs(parameters_report(plugin).c_str(), stdout);
  return 0;
}

int run_list_fx() {
  std::fputs(effects_report().c_str(), stdout);
  return 0;
}

// The same set-up as a MIDI render; the plug-in's player then plays the song.
int run_sequence(const options& o) {
  vsthost::plugin_library library;
  vsthost::plugin_instance plugin;
  audio_writer writer;
  std::string error;
  if (!prepare(o, library, plugin, error) ||
      !start_sequence(plugin, o.sequence_path, o.loops, o.separation, error) ||
      !writer.open(o.output_path, o.sample_rate, error))
    return fail(error);
  sequence_settings settings;
  settings.loops = o.loops;
  settings.tail_seconds = o.tail_seconds;
  settings.row_text = o.row_text;
  render_summary summary;
  summary.sample_rate = o.sample_rate;
  sequence_summary song;
  const bool ok = render_sequence(
      plugin, settings,
      [&](const float* l, const float* r, int32_t n, std::string& e) { return writer.write(l, r, n, e); },
      [](const std::string& row) { std::printf("%s\n", row.c_str()); }, summary, song, error);
  if (!finish(o, library, plugin, writer, ok, error)) return fail(error);
  std::fputs(sequence_summary_text(song).c_str(), stdout);
  std::fputs(summary_text(summary).c_str(), stdout);
  return 0;
}

int run_render(const options& o) {
  std::vector<midi::timed_message> messages;
  double end = 0.0;
  std::string error;
  if (!events_of(o, messages, end, error)) return fail(error);

  vsthost::plugin_library library;
  vsthost::plugin_instance plugin;
  audio_writer writer;
  if (!prepare(o, library, plugin, error) || !writer.open(o.output_path, o.sample_rate, error)) return fail(error);
  render_settings settings{o.sample_rate, o.block_size, end, o.tail_seconds};
  render_summary summary;
  progress_bar bar;
  const bool ok = render_messages(
      plugin, messages, settings,
      [&](const float* l, const float* r, int32_t n, std::string& e) { return writer.write(l, r, n, e); },
      [&](double f) { bar.update(f); }, summary, error);
  bar.finish();
  if (!finish(o, library, plugin, writer, ok, error)) return fail(error);
  std::fputs(summary_text(summary).c_str(), stdout);
  return 0;
}

// The editor as the configured instance shows it, drawn by the plug-in
// off-screen and written by us; with --note the note is still sounding.
int run_editor_shot(const options& o) {
  vsthost::plugin_library library;
  vsthost::plugin_instance plugin;
  std::string error, notes;
  if (!load(o, library, plugin, error) || !configure(o, plugin, error) || !configure_effects(o, plugin, notes, error))
    return fail(error);
  plugin.resume();
  if (o.hold_note) {
    plugin.queue_midi(0, 0x90, uint8_t(o.note), uint8_t(o.velocity));
    std::vector<float> l(size_t(plugin.block_size())), r(size_t(plugin.block_size()));
    const int64_t frames = int64_t(o.note_seconds * o.sample_rate);
    for (int64_t done = 0; done < frames; done += plugin.block_size())
      plugin.process(l.data(), r.data(), plugin.block_size());
  }
  plugin::editor_shot_request shot;
  shot.scale = o.gui_scale;
  shot.page = o.page;
  if (!plugin.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::editor_shot_request_value, &shot))
    return fail(library.path() + " has no editor to draw");
  std::vector<uint32_t> pixels(size_t(shot.width) * size_t(shot.height));
  shot.pixels = pixels.data();
  shot.capacity = pixels.size();
  if (!plugin.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::editor_shot_request_value, &shot))
    return fail("the editor could not be drawn");
  plugin.suspend();
  if (!write_shot(o.shot_path, pixels, shot.width, shot.height, error)) return fail(error);
  std::printf("editor (%d x %d, scale %.2f) in %s\n", shot.width, shot.height, double(o.gui_scale), o.shot_path.c_str());
  return 0;
}

}  // namespace render
