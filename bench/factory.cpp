// Every factory sound's cost through the host interface, against amsynth's
// presets measured in the same run: vorn.so loaded through its VST entry,
// each sound set up as a host gets it (its state, else the factory bank and
// its program), 8 held notes (keys 36, 43, 50, ... as bench/voices plays);
// a drum is its key in the drum kit (drum mode), struck every quarter second
// and let go after 0.2 s as the kit's audition strikes it. Printed slowest
// first: the realtime factor (audio s per CPU s in processReplacing), CPU ns
// per voice and sample (voices = notes x unison layers; one per drum strike
// sounding), the ratio to the median of twelve amsynth presets (programs
// spread over its banks), and the reference engine beside it.
//
//   bench/factory [--seconds S] [--repeats N] [--only NAME] [--engine fast|reference]
//                 [--plugin path/to/vorn.so]
//
// --only keeps the sounds whose name contains NAME and --engine one engine
// (for a profiler sampling one sound); the other column then reads 0.
// The machine's other load shows in the figures; compare ratios within a run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/plugin_timing.h"
#include "tools/factory/sound_index.h"
#include "tools/render/sound_files.h"

namespace {

constexpr int32_t held = 8;
constexpr int32_t amsynth_presets = 12;
constexpr double strike_seconds = 0.25, strike_length_seconds = 0.2;
constexpr int drum_key_offset = 24;  // drum mode: key = slot + 24

struct factory_sound : factory::sound_row {
  int32_t layers = 1;  // unison layers per note
};

// "Unison Voices: N" in the sound's text source, 1 without it.
int32_t unison_layers(int slot) {
  char prefix[8];
  std::snprintf(prefix, sizeof prefix, "%03d-", slot);
  for (const auto& f : std::filesystem::directory_iterator(VORN_FACTORY_SOURCE_DIR)) {
    if (f.path().filename().string().rfind(prefix, 0) != 0) continue;
    std::ifstream in(f.path());
    const std::string key = "Unison Voices:";
    for (std::string line; std::getline(in, line);)
      if (line.rfind(key, 0) == 0) return std::clamp(std::atoi(line.c_str() + key.size()), 1, 16);
  }
  return 1;
}

std::vector<factory_sound> read_sound_index() {
  std::vector<factory_sound> out;
  for (const factory::sound_row& row : factory::read_sound_index(std::string(VORN_FACTORY_DIR) + "/sounds.tsv")) {
    factory_sound s;
    static_cast<factory::sound_row&>(s) = row;
    s.layers = unison_layers(s.slot);
    out.push_back(s);
  }
  return out;
}

bool is_drum(const factory_sound& s) { return s.category == "Drums"; }

bool load_sound(vsthost::plugin_instance& p, const factory_sound& s) {
  const std::string dir = VORN_FACTORY_DIR;
  std::string error;
  bool ok = true;
  if (is_drum(s))
    ok = render::apply_state_file(p, dir + "/Vorn Drum Kit.vornstate", error);
  else if (!s.state.empty())
    ok = render::apply_state_file(p, dir + "/" + s.state, error);
  else
    ok = render::apply_bank_file(p, dir + "/Vorn Factory.vornbank", error);
  if (!ok) {
    std::printf("%s: %s\n", s.name.c_str(), error.c_str());
    return false;
  }
  if (!is_drum(s)) p.set_program(s.slot);
  return true;
}

bench::block_events drum_strikes(uint8_t key) {
  const int64_t every = int64_t(strike_seconds * bench::sample_rate / bench::block);
  const int64_t length = int64_t(strike_length_seconds * bench::sample_rate / bench::block);
  return [=](vsthost::plugin_instance& p, int64_t b, int64_t blocks) {
    if (b % every == length || b == blocks) p.queue_midi(0, 0x80, key, 0);
    if (b % every == 0 && b < blocks) p.queue_midi(0, 0x90, key, 100);
  };
}

struct result {
  const factory_sound* sound = nullptr;
  bench::measurement fast, reference;
};

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// amsynth's programs i * count / 12: the same spread over its banks in every run.
double amsynth_median(double seconds, int32_t repeats) {
  vsthost::plugin_library lib;
  vsthost::plugin_instance p;
  if (!bench::open_plugin(AMSYNTH_PLUGIN_PATH, lib, p)) return 0.0;
  const int32_t count = std::max(1, p.num_programs());
  std::vector<double> rt;
  std::printf("%-8s %-28s %10s %10s\n", "program", "amsynth (8 notes)", "realtime", "ns/vs");
  for (int32_t i = 0; i < amsynth_presets; ++i) {
    const int32_t program = int32_t(int64_t(i) * count / amsynth_presets);
    p.set_program(program);
    const bench::measurement m = bench::play(p, bench::held_notes(held), seconds, repeats);
    char name[64] = {};  // effGetProgramName: the current program's
    p.dispatch(effGetProgramName, 0, 0, name);
    name[sizeof name - 1] = 0;
    std::printf("%-8d %-28s %10.1f %10.1f\n", program, name, m.realtime, bench::ns_per_voice_sample(m, held));
    rt.push_back(m.realtime);
  }
  const double mid = median(rt);
  std::printf("amsynth median of %d presets: %.1f x realtime (of %d programs)\n\n", amsynth_presets, mid, count);
  return mid;
}

const char* vorn_path = VORN_PLUGIN_PATH;

bench::measurement measure(const factory_sound& s, bool reference, double seconds, int32_t repeats) {
  vsthost::plugin_library lib;
  vsthost::plugin_instance p;
  if (!bench::open_vorn(vorn_path, lib, p, reference) || !load_sound(p, s)) return {};
  const bench::block_events events =
      is_drum(s) ? drum_strikes(uint8_t(s.slot + drum_key_offset)) : bench::held_notes(held);
  return bench::play(p, events, seconds, repeats);
}

int32_t voices_of(const factory_sound& s) { return is_drum(s) ? 1 : held * s.layers; }

}  // namespace

int main(int argc, char** argv) {
  double seconds = 2.0;
  int32_t repeats = 5;
  std::string only, only_engine;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--seconds") seconds = std::clamp(std::atof(argv[i + 1]), 0.1, 600.0);
    if (a == "--repeats") repeats = std::clamp(std::atoi(argv[i + 1]), 1, 20);
    if (a == "--only") only = argv[i + 1];
    if (a == "--engine") only_engine = argv[i + 1];
    if (a == "--plugin") vorn_path = argv[i + 1];
  }
  bench::private_home();
  std::printf("factory: %.1f s per sound, each block the fastest of %d runs, %d-frame blocks at %d Hz\n\n",
              seconds, repeats, bench::block, bench::sample_rate);
  const double amsynth = amsynth_median(seconds, repeats);

  const std::vector<factory_sound> sounds = read_sound_index();
  std::vector<result> results;
  for (const factory_sound& s : sounds) {
    if (!only.empty() && s.name.find(only) == std::string::npos) continue;
    result r;
    r.sound = &s;
    if (only_engine != "reference") r.fast = measure(s, false, seconds, repeats);
    if (only_engine != "fast") r.reference = measure(s, true, seconds, repeats);
    results.push_back(r);
  }
  std::sort(results.begin(), results.end(),
            [](const result& a, const result& b) { return a.fast.realtime < b.fast.realtime; });

  std::printf("%-4s %-18s %-6s %6s %10s %8s %9s   %10s %8s %9s\n", "slot", "sound", "cat", "voices", "realtime",
              "ns/vs", "/amsynth", "reference:", "ns/vs", "fast/ref");
  std::vector<double> fast_rt, ref_rt;
  for (const result& r : results) {
    const int32_t v = voices_of(*r.sound);
    std::printf("%-4d %-18s %-6s %6d %10.1f %8.1f %9.2f   %10.1f %8.1f %9.2f\n", r.sound->slot,
                r.sound->name.c_str(), r.sound->category.c_str(), v, r.fast.realtime,
                bench::ns_per_voice_sample(r.fast, v), amsynth > 0.0 ? r.fast.realtime / amsynth : 0.0,
                r.reference.realtime, bench::ns_per_voice_sample(r.reference, v),
                r.reference.realtime > 0.0 ? r.fast.realtime / r.reference.realtime : 0.0);
    if (r.fast.rms <= 0.0 && only_engine != "reference") std::printf("     (%s was silent)\n", r.sound->name.c_str());
    fast_rt.push_back(r.fast.realtime);
    ref_rt.push_back(r.reference.realtime);
  }
  const double mid = median(fast_rt);
  std::printf("\n%zu sounds: median %.1f x realtime (%.2f x amsynth's median preset), reference median %.1f;\n"
              "slowest %.1f x realtime (%.2f x amsynth's median)\n",
              results.size(), mid, amsynth > 0.0 ? mid / amsynth : 0.0, median(ref_rt),
              results.empty() ? 0.0 : results.front().fast.realtime,
              amsynth > 0.0 && !results.empty() ? results.front().fast.realtime / amsynth : 0.0);
  return 0;
}
