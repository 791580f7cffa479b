// Voice cost through the host interface: CPU time per voice and sample, and
// the realtime factor (audio seconds per CPU second spent inside
// processReplacing, on one core), of vorn.so with held notes at two presets,
// against amsynth's VST plug-in playing the same notes, and against vorn's
// reference engine (the plain per-sample voice the tests compare the fast
// engine with; an instance created with VORN_ENGINE=reference runs it).
//
//   bench/voices [--seconds S] [--notes 1,8,32] [--repeats N] [--plugin path/to/vorn.so]
//                [--preset default|heavy] [--engine fast|reference]
//
// --preset and --engine keep only those rows and engines (for a profiler
// sampling one engine at a time); the other engine's column then reads 0.
//
// Every row is played N times (5) from its first note; each block counts with
// the least CPU time it took in those runs.
// Both plug-ins are driven exactly as vorn-render drives them: 512-frame
// blocks at 44.1 kHz, the notes started in the first block and held.
// amsynth's VST has no polyphony parameter (and reads no configuration for
// it); its cost grows with every note up to 32, so all of them sound.
// The machine's other load shows in the figures; compare ratios within a run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/plugin_timing.h"

namespace {

using bench::measurement;
using bench::ns_per_voice_sample;
using bench::open_plugin;

// vorn's default pool: "Voices" 19 = "Poly 16". The parameter is global, so a
// host cannot change it through setParameter.
constexpr int32_t vorn_pool = 32;            // "Voices" at Poly 32
constexpr int32_t vorn_full_unison = 16;     // "Unison Voices" at its top: 16 layers
constexpr int32_t voices_param = 89, unison_param = 101;

// The pool size is a global the editor sets; a host never sends it, so the
// bench goes through the entry's setParameter as the editor path does.
void set_global(vsthost::plugin_instance& p, int32_t index, float normalised) {
  p.effect()->setParameter(p.effect(), index, normalised);
}

struct param_value {
  const char* name;  // full name as effGetParamName reports it
  float normalised;
};

struct preset {
  const char* label;
  std::vector<param_value> values;
};

// Integer parameters map normalised n to floor(n * (max - min + 0.999) + min);
// the middle of a step's interval picks that step safely.
constexpr float integer_step(int step, int max) { return (step + 0.5f) / (max + 0.999f); }
// A bipolar parameter (-1..1) at internal value v.
constexpr float bipolar(float v) { return (v + 1.f) * 0.5f; }

const preset vorn_presets[] = {
    {"default", {}},
    {"heavy",
     {
         {"Osc A Level", 0.75f},          // 0 dB on the level curve
         {"Osc B Level", 0.75f},
         {"Osc B Fine", bipolar(0.1f)},
         {"Filter Mode", integer_step(5, 8)},  // "Low 24 dB"
         {"Filter Saturation", 0.7f},
         {"Filter Frequency", 0.5f},
         {"Filter Resonance", 0.4f},
         {"Filter FMod", bipolar(0.5f)},
         {"Shaper Depth", 0.6f},
         {"Env A Sustain", 1.f},
         {"Mod A Rate", 0.5f},
         {"Mod B Rate", 0.35f},
         {"Pitch Mod A", bipolar(0.05f)},
         {"Width Mod A", bipolar(0.5f)},
         {"Filter Mod B", bipolar(0.5f)},
         {"Panning Mod B", bipolar(0.3f)},
     }},
};



void apply(vsthost::plugin_instance& p, const preset& pr) {
  for (const param_value& v : pr.values) {
    const int32_t index = p.find_param(v.name);
    if (index < 0)
      std::printf("  (vorn.so has no parameter \"%s\"; preset %s runs without it)\n", v.name, pr.label);
    else
      p.set_parameter(index, v.normalised);
  }
}


std::vector<int32_t> parse_notes(const char* text) {
  std::vector<int32_t> out;
  for (const char* p = text; *p;) {
    char* end = nullptr;
    const long n = std::strtol(p, &end, 10);
    if (end == p) break;
    if (n >= 1 && n <= 60) out.push_back(int32_t(n));
    p = *end == ',' ? end + 1 : end;
  }
  return out;
}

struct row {
  int32_t notes;
  int32_t layers;  // unison layers per note
  double seconds_scale;
};

// A vorn instance at Poly 32 with the preset applied; `reference` selects the
// reference engine for this instance.
bool open_vorn(const char* path, vsthost::plugin_library& lib, vsthost::plugin_instance& p, const preset& pr,
               bool reference) {
  if (!bench::open_vorn(path, lib, p, reference)) return false;
  set_global(p, voices_param, 1.f);
  apply(p, pr);
  return true;
}


}  // namespace

int main(int argc, char** argv) {
  double seconds = 3.0;
  int32_t repeats = 5;
  std::string only_preset, only_engine;
  std::vector<int32_t> notes = {1, 8, 32};
  const char* vorn_path = VORN_PLUGIN_PATH;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--seconds") seconds = std::clamp(std::atof(argv[i + 1]), 0.1, 600.0);
    if (a == "--notes") notes = parse_notes(argv[i + 1]);
    if (a == "--plugin") vorn_path = argv[i + 1];
    if (a == "--repeats") repeats = std::clamp(std::atoi(argv[i + 1]), 1, 20);
    if (a == "--preset") only_preset = argv[i + 1];
    if (a == "--engine") only_engine = argv[i + 1];
  }
  bench::private_home();
  std::printf("voices: %.0f s per row, each block the fastest of %d runs, %d-frame blocks at %d Hz;\n"
              "ns/vs = CPU ns per voice and sample, realtime = audio s / CPU s in processReplacing\n",
              seconds, repeats, bench::block, bench::sample_rate);

  std::vector<double> amsynth_rt(notes.size(), 0.0);
  std::printf("\n%-8s %5s %12s %10s\n", "amsynth", "notes", "ns/vs", "realtime");
  {
    vsthost::plugin_library lib;
    vsthost::plugin_instance p;
    if (open_plugin(AMSYNTH_PLUGIN_PATH, lib, p)) {
      for (size_t i = 0; i < notes.size(); ++i) {
        const measurement m = bench::play(p, bench::held_notes(notes[i]), seconds, repeats);
        amsynth_rt[i] = m.realtime;
        std::printf("%-8s %5d %12.1f %10.1f\n", "init", notes[i], ns_per_voice_sample(m, notes[i]), m.realtime);
      }
    }
  }

  std::vector<row> rows;
  rows.push_back({0, 1, 1.0});  // idle: no voice sounding
  for (int32_t n : notes) rows.push_back({n, 1, 1.0});
  rows.push_back({2, vorn_full_unison, 0.5});         // 16 unison layers on 2 notes: 32 voices
  rows.push_back({vorn_pool, vorn_full_unison, 0.25});  // the full pool: 32 x 16 = 512 voices
  std::printf("\n%-8s %5s %6s %10s %10s %8s   %s\n", "vorn", "notes", "voices", "ns/vs", "realtime",
              "/amsynth", "reference engine: ns/vs realtime, fast/reference");
  const bool run_fast = only_engine != "reference", run_ref = only_engine != "fast";
  for (const preset& pr : vorn_presets) {
    if (!only_preset.empty() && only_preset != pr.label) continue;
    vsthost::plugin_library lib_fast, lib_ref;
    vsthost::plugin_instance fast, ref;
    if (!open_vorn(vorn_path, lib_fast, fast, pr, false) || !open_vorn(vorn_path, lib_ref, ref, pr, true)) return 1;
    for (const row& r : rows) {
      const float unison = float(r.layers - 1) / float(vorn_full_unison - 1);
      set_global(fast, unison_param, unison);
      set_global(ref, unison_param, unison);
      const int32_t voices = r.notes * r.layers;
      const double s = seconds * r.seconds_scale;
      const measurement a = run_fast ? bench::play(fast, bench::held_notes(r.notes), s, repeats) : measurement{};
      const measurement b = run_ref ? bench::play(ref, bench::held_notes(r.notes), s, repeats) : measurement{};
      char versus[16] = "-";
      for (size_t i = 0; i < notes.size(); ++i)
        if (r.layers == 1 && notes[i] == r.notes && amsynth_rt[i] > 0.0)
          std::snprintf(versus, sizeof versus, "%.2f", a.realtime / amsynth_rt[i]);
      if (voices == 0) {
        std::printf("%-8s %5s %6d %10s %10.0f %8s   %10s %8.0f %6.2f\n", pr.label, "idle", 0, "-", a.realtime, "-",
                    "-", b.realtime, b.realtime > 0.0 ? a.realtime / b.realtime : 0.0);
        continue;
      }
      std::printf("%-8s %5d %6d %10.1f %10.2f %8s   %10.1f %8.2f %6.2f\n", pr.label, r.notes, voices,
                  ns_per_voice_sample(a, voices), a.realtime, versus, ns_per_voice_sample(b, voices), b.realtime,
                  b.realtime > 0.0 ? a.realtime / b.realtime : 0.0);
    }
  }
  return 0;
}
