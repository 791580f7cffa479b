#include "tools/render/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/render/audio_writer.h"

namespace render {

namespace {

constexpr int32_t min_rate_hz = 8000;
constexpr int32_t max_rate_hz = 384000;
constexpr int32_t max_block_frames = 8192;
constexpr double max_seconds = 3600.0;  // bounds the length of any render
constexpr int32_t max_loops = 1000;

bool parse_int(const std::string& text, int32_t lo, int32_t hi, int32_t& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || *end || v < lo || v > hi) return false;
  out = int32_t(v);
  return true;
}

bool parse_real(const std::string& text, double lo, double hi, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno || *end || !std::isfinite(v) || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parse_param(const std::string& text, param_setting& out) {
  const size_t eq = text.rfind('=');  // names may hold '=', values never do
  if (eq == std::string::npos || eq == 0) return false;
  double v;
  if (!parse_real(text.substr(eq + 1), 0.0, 1.0, v)) return false;
  out = {text.substr(0, eq), float(v)};
  return true;
}

constexpr int32_t fx_slots = 4;
constexpr int32_t max_fx_params = 64;

bool parse_fx(const std::string& text, fx_setting& out) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq + 1 >= text.size()) return false;
  int32_t slot;
  if (!parse_int(text.substr(0, eq), 0, fx_slots - 1, slot)) return false;
  out = {slot, text.substr(eq + 1)};
  return true;
}

bool parse_fx_param(const std::string& text, fx_param_setting& out) {
  const size_t colon = text.find(':'), eq = text.find('=');
  if (colon == std::string::npos || eq == std::string::npos || eq < colon) return false;
  int32_t slot, index;
  double v;
  if (!parse_int(text.substr(0, colon), 0, fx_slots - 1, slot) ||
      !parse_int(text.substr(colon + 1, eq - colon - 1), 0, max_fx_params - 1, index) ||
      !parse_real(text.substr(eq + 1), -1.0e6, 1.0e6, v))
    return false;
  out = {slot, index, float(v)};
  return true;
}

// A tab page of the editor by its name.
bool parse_page(const std::string& text, int32_t& out) {
  static const char* const pages[] = {"global", "route", "effect"};
  for (int32_t i = 0; i < 3; ++i)
    if (text == pages[i]) {
      out = i;
      return true;
    }
  return false;
}

// The value of an option that takes one; false when the line ends.
bool value_of(int argc, const char* const* argv, int& i, std::string& out) {
  if (i + 1 >= argc) return false;
  out = argv[++i];
  return true;
}

bool check(const options& o, std::string& error) {
  if (o.what == command::help || o.what == command::info || o.what == command::list_fx) return true;
  if (o.what == command::editor_shot) return true;
  if (o.output_path.empty()) {
    error = "missing -o OUT.wav";
    return false;
  }
  if (audio_writer::format_for(o.output_path).empty()) {
    error = audio_writer::unknown_type_text(o.output_path);
    return false;
  }
  return true;
}

}  // namespace

bool parse_options(int argc, const char* const* argv, options& out, std::string& error) {
  out = options{};
  bool ok = true;
  std::string v;
  for (int i = 1; i < argc && ok; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      out.what = command::help;
      return true;
    } else if (arg == "--info") {
      out.what = command::info;
      if (i + 1 < argc && argv[i + 1][0] != '-') out.plugin_path = argv[++i];
    } else if (arg == "--midi") {
      out.what = command::midi;
      ok = value_of(argc, argv, i, out.midi_path);
    } else if (arg == "--sequence") {
      out.what = command::sequence;
      ok = value_of(argc, argv, i, out.sequence_path);
    } else if (arg == "--loops") {
      ok = value_of(argc, argv, i, v) && parse_int(v, 1, max_loops, out.loops);
    } else if (arg == "--separation") {
      ok = value_of(argc, argv, i, v) && parse_int(v, 0, 100, out.separation);
    } else if (arg == "--row-text") {
      out.row_text = true;
    } else if (arg == "--editor-shot") {
      out.hold_note = out.what == command::note;
      out.what = command::editor_shot;
      ok = value_of(argc, argv, i, out.shot_path);
    } else if (arg == "--scale") {
      double s = 1.0;
      ok = value_of(argc, argv, i, v) && parse_real(v, 0.25, 4.0, s);
      out.gui_scale = float(s);
    } else if (arg == "--page") {
      ok = value_of(argc, argv, i, v) && parse_page(v, out.page);
    } else if (arg == "--note") {
      if (out.what == command::editor_shot) out.hold_note = true;
      else out.what = command::note;
      ok = value_of(argc, argv, i, v) && parse_int(v, 0, 127, out.note);
    } else if (arg == "-o" || arg == "--output") {
      ok = value_of(argc, argv, i, out.output_path);
    } else if (arg == "--plugin") {
      ok = value_of(argc, argv, i, out.plugin_path);
    } else if (arg == "--rate") {
      ok = value_of(argc, argv, i, v) && parse_int(v, min_rate_hz, max_rate_hz, out.sample_rate);
    } else if (arg == "--block") {
      ok = value_of(argc, argv, i, v) && parse_int(v, 1, max_block_frames, out.block_size);
    } else if (arg == "--program") {
      ok = value_of(argc, argv, i, v) && parse_int(v, 0, 1 << 20, out.program);
    } else if (arg == "--param") {
      param_setting p;
      ok = value_of(argc, argv, i, v) && parse_param(v, p);
      if (ok) out.params.push_back(p);
    } else if (arg == "--fx") {
      fx_setting f;
      ok = value_of(argc, argv, i, v) && parse_fx(v, f);
      if (ok) out.effects.push_back(f);
    } else if (arg == "--fx-param") {
      fx_param_setting f;
      ok = value_of(argc, argv, i, v) && parse_fx_param(v, f);
      if (ok) out.fx_params.push_back(f);
    } else if (arg == "--list-fx") {
      out.what = command::list_fx;
    } else if (arg == "--state") {
      ok = value_of(argc, argv, i, out.state_path);
    } else if (arg == "--bank") {
      ok = value_of(argc, argv, i, out.bank_path);
    } else if (arg == "--preset") {
      ok = value_of(argc, argv, i, out.preset_path);
    } else if (arg == "--wave") {
      ok = value_of(argc, argv, i, v);
      if (ok) out.wave_paths.push_back(v);
    } else if (arg == "--tuning") {
      ok = value_of(argc, argv, i, out.tuning_path);
    } else if (arg == "--keymap") {
      ok = value_of(argc, argv, i, out.keymap_path);
    } else if (arg == "--save-state") {
      ok = value_of(argc, argv, i, out.save_state_path);
    } else if (arg == "--save-preset") {
      ok = value_of(argc, argv, i, out.save_preset_path);
    } else if (arg == "--tail") {
      ok = value_of(argc, argv, i, v) && parse_real(v, 0.0, max_seconds, out.tail_seconds);
    } else if (arg == "--velocity") {
      ok = value_of(argc, argv, i, v) && parse_int(v, 1, 127, out.velocity);
    } else if (arg == "--length") {
      ok = value_of(argc, argv, i, v) && parse_real(v, 0.0, max_seconds, out.note_seconds);
    } else {
      error = "unknown option " + arg;
      return false;
    }
    if (!ok) error = "missing or invalid value for " + arg;
  }
  return ok && check(out, error);
}

std::string usage_text() {
  return "usage:\n"
         "  vorn-render --info [PLUGIN] [--state FILE] [--bank FILE] [--program N]\n"
         "  vorn-render --midi FILE.mid -o OUT.wav|OUT.flac [options]\n"
         "  vorn-render --note KEY [--velocity V] [--length SECONDS] -o OUT.wav [options]\n"
         "  vorn-render --sequence FILE.ahx|FILE.kvxs -o OUT.wav [--loops N] [--row-text] [options]\n"
         "  vorn-render --list-fx\n"
         "  vorn-render --editor-shot FILE.png [--scale S] [--page P] [--note KEY] [options]\n"
         "options:\n"
         "  --plugin PATH        plug-in to load (default: vorn.so or vorn.dll beside vorn-render)\n"
         "  --rate HZ            sample rate (default 44100)\n"
         "  --block N            frames per processing call (default 512)\n"
         "  --program N          program selected before rendering\n"
         "  --param NAME=VALUE   parameter index or full name, normalised value 0..1 (repeatable)\n"
         "  --fx SLOT=NAME       effect NAME in insert slot 0..3, \"-\" empties it (repeatable)\n"
         "  --fx-param SLOT:INDEX=VALUE  parameter INDEX of that slot's effect, in its own range\n"
         "  --tail SECONDS       rendered after the last event, or after the song ends (default 2)\n"
         "  --loops N            passes through a --sequence song (default 1)\n"
         "  --separation P       stereo separation of an AHX song, 0 (mono) .. 100 (hard, the default)\n"
         "  --row-text           print each row of a --sequence song as it plays\n"
         "  --state FILE         instance state (.vornstate) loaded first\n"
         "  --bank FILE          bank (.vornbank) loaded before --program\n"
         "  --preset FILE        preset (.vornpreset) loaded into the current program\n"
         "  --wave FILE          WAVE file added to the PCM list (repeatable; waveform 6 plays the first)\n"
         "  --tuning FILE        Scala scale (.scl) the instance plays in\n"
         "  --keymap FILE        Scala keyboard mapping (.kbm) for the --tuning scale\n"
         "  --save-state FILE    instance state saved after rendering\n"
         "  --save-preset FILE   current program's preset saved after rendering\n"
         "  --scale S            GUI scale of --editor-shot (0.25 to 4; the size menu offers 0.75 to 2)\n"
         "  --page P             with --editor-shot: the tab shown, global (default), route or effect\n"
         "  --note KEY           with --editor-shot: the note sounds (--length seconds) while it is taken\n";
}

}  // namespace render
