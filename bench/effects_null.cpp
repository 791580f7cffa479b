// The null check behind the effects' speed work: renders every effect (and
// the chain of four that bench/effects times) over a fixed set of scenes and
// either stores the renders or compares them with stored ones, printing the
// residual of each scene relative to the stored output.
//   effects_null write <dir>     renders into dir (one raw float file a scene)
//   effects_null compare <dir>   renders again and prints residuals in dB
// A third argument keeps only the effects (or "chain") whose name starts with it.
// Scenes: defaults on full-scale noise; a two-sine chord; an impulse then
// silence; every parameter at its minimum; at its maximum; three random
// settings (seeded) with the side-chain fed; and a random setting changed
// half-way (gliding values, structure swaps). Blocks of 256 frames, and of
// changing size in the random scenes, in the processing call's FP mode.
// "bit-identical" means no sample differs in any bit pattern.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/fresh_effect.h"
#include "fx/chain.h"
#include "fx/registry.h"
#include "platform/fp_mode.h"
#include "tools/analysis/random_settings.h"

namespace {

constexpr float rate = 44100.f;
constexpr size_t frames = 88200;  // two seconds a scene

using analysis::random_source;
using analysis::random_value;

struct stereo {
  std::vector<float> l, r;
  stereo() : l(frames), r(frames) {}
};

stereo noise(uint32_t seed, float amplitude) {
  stereo s;
  random_source g{seed * 2654435761u + 1u};
  for (size_t i = 0; i < frames; ++i) {
    s.l[i] = (g.unit() * 2.f - 1.f) * amplitude;
    s.r[i] = (g.unit() * 2.f - 1.f) * amplitude;
  }
  return s;
}

stereo chord() {
  stereo s;
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / double(rate);
    s.l[i] = float(0.4 * std::sin(2 * M_PI * 220.0 * t) + 0.3 * std::sin(2 * M_PI * 3100.0 * t));
    s.r[i] = float(0.4 * std::sin(2 * M_PI * 330.0 * t) + 0.3 * std::sin(2 * M_PI * 47.0 * t));
  }
  return s;
}

stereo impulse() {
  stereo s;
  s.l[10] = 1.f;
  s.r[400] = -0.7f;
  return s;
}

struct scene {
  std::string name;
  stereo out;
};

// Runs x through e in blocks (fixed 256, or random sizes when r is given);
// `halfway` is called once at the middle.
template <typename Halfway>
void render(fx::effect& e, stereo& x, const stereo* side, random_source* r, Halfway&& halfway) {
  platform::scoped_fp_mode mode;
  bool changed = false;
  for (size_t at = 0; at < frames;) {
    const int n = int(std::min<size_t>(r ? 1 + r->next() % 512 : 256, frames - at));
    if (!changed && at >= frames / 2) {
      changed = true;
      platform::scoped_fp_mode editor(platform::control_fp_mode);
      halfway();
    }
    float* ch[2] = {x.l.data() + at, x.r.data() + at};
    float* sc[2] = {side ? const_cast<float*>(side->l.data() + at) : nullptr,
                    side ? const_cast<float*>(side->r.data() + at) : nullptr};
    e.follow_rate(rate, n);
    e.run({ch, ch, n, side ? sc : nullptr}, true);
    at += size_t(n);
  }
}

std::unique_ptr<fx::effect> make(const char* name) { return fresh_effect(name, rate); }

void set_all(fx::effect& e, int which, random_source* r) {
  platform::scoped_fp_mode editor(platform::control_fp_mode);
  for (int i = 0; i < e.param_count(); ++i) {
    const fx::param_desc& d = e.desc(i);
    e.set_value(i, which == 0 ? d.min : (which == 1 ? d.max : random_value(d, *r)));
  }
}

std::vector<scene> scenes_of(const char* name) {
  std::vector<scene> out;
  auto add = [&](const std::string& what, stereo s) { out.push_back({std::string(name) + "." + what, std::move(s)}); };
  const auto none = [] {};
  {
    auto e = make(name);
    stereo x = noise(1, 1.f);
    render(*e, x, nullptr, nullptr, none);
    add("noise", std::move(x));
  }
  {
    auto e = make(name);
    stereo x = chord();
    render(*e, x, nullptr, nullptr, none);
    add("chord", std::move(x));
  }
  {
    auto e = make(name);
    stereo x = impulse();
    render(*e, x, nullptr, nullptr, none);
    add("impulse", std::move(x));
  }
  for (int extreme = 0; extreme < 2; ++extreme) {
    auto e = make(name);
    set_all(*e, extreme, nullptr);
    stereo x = noise(2, 0.7f);
    render(*e, x, nullptr, nullptr, none);
    add(extreme ? "maximum" : "minimum", std::move(x));
  }
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    auto e = make(name);
    random_source r{seed * 7919u};
    set_all(*e, 2, &r);
    stereo x = seed == 2 ? chord() : noise(seed + 2, 0.8f);
    const stereo side = noise(seed + 9, 0.5f);
    render(*e, x, &side, &r, none);
    add("random" + std::to_string(seed), std::move(x));
  }
  {
    auto e = make(name);
    random_source r{4242u};
    set_all(*e, 2, &r);
    stereo x = noise(7, 0.6f);
    render(*e, x, nullptr, &r, [&] { set_all(*e, 2, &r); });
    add("changed", std::move(x));
  }
  return out;
}

scene chain_scene() {
  platform::lock lock;
  fx::chain chain(lock);
  const char* four[4] = {"Reverb", "mDelay", "Compressor", "Phaser"};
  {
    platform::scoped_fp_mode editor(platform::control_fp_mode);
    for (int i = 0; i < 4; ++i) chain.set_effect(i, four[i]);
  }
  stereo x = noise(5, 1.f);
  platform::scoped_fp_mode mode;
  for (size_t at = 0; at < frames; at += 256)
    chain.run(x.l.data() + at, x.r.data() + at, int(std::min<size_t>(256, frames - at)), rate);
  return {"chain", std::move(x)};
}

bool save(const std::string& path, const stereo& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(s.l.data(), sizeof(float), frames, f) == frames &&
                  std::fwrite(s.r.data(), sizeof(float), frames, f) == frames;
  return std::fclose(f) == 0 && ok;
}

bool load(const std::string& path, stereo& s) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const bool ok = std::fread(s.l.data(), sizeof(float), frames, f) == frames &&
                  std::fread(s.r.data(), sizeof(float), frames, f) == frames;
  std::fclose(f);
  return ok;
}

// Residual in dB of `now` against `ref` (rms of the difference over rms of
// the reference), or "bit-identical".
void compare(const std::string& name, const stereo& ref, const stereo& now, double& worst) {
  double diff = 0, power = 0, peak = 0;
  bool identical = true;
  for (const auto* pair : {&ref.l, &ref.r}) {
    const std::vector<float>& a = *pair;
    const std::vector<float>& b = pair == &ref.l ? now.l : now.r;
    identical = identical && std::memcmp(a.data(), b.data(), frames * sizeof(float)) == 0;
    for (size_t i = 0; i < frames; ++i) {
      const double d = double(b[i]) - double(a[i]);
      diff += d * d;
      power += double(a[i]) * double(a[i]);
      peak = std::fmax(peak, std::fabs(d));
    }
  }
  if (identical) {
    std::printf("%-24s bit-identical\n", name.c_str());
    return;
  }
  const double db = power > 0 ? 10 * std::log10(diff / power + 1e-300) : 999;
  worst = std::fmax(worst, db);
  std::printf("%-24s residual %8.1f dB  (peak difference %.3g)\n", name.c_str(), db, peak);
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc != 3 && argc != 4) || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "compare") != 0)) {
    std::fprintf(stderr, "usage: effects_null write|compare <dir> [name prefix]\n");
    return 2;
  }
  const bool writing = std::strcmp(argv[1], "write") == 0;
  const std::string dir = argv[2];
  const std::string only = argc == 4 ? argv[3] : "";
  auto wanted = [&only](const char* name) { return std::strncmp(name, only.c_str(), only.size()) == 0; };
  std::vector<scene> all;
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r)
    if (wanted(r->name))
      for (scene& s : scenes_of(r->name)) all.push_back(std::move(s));
  if (wanted("chain")) all.push_back(chain_scene());
  double worst = -999;
  int failures = 0;
  for (const scene& s : all) {
    const std::string path = dir + "/" + s.name + ".f32";
    if (writing) {
      if (!save(path, s.out)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      continue;
    }
    stereo ref;
    if (!load(path, ref)) {
      std::printf("%-24s no stored render\n", s.name.c_str());
      ++failures;
      continue;
    }
    compare(s.name, ref, s.out, worst);
  }
  if (writing) {
    std::printf("%zu scenes written to %s\n", all.size(), dir.c_str());
    return 0;
  }
  std::printf("worst residual: %s\n", worst > -999 ? std::to_string(worst).c_str() : "none (all bit-identical)");
  return failures == 0 && worst <= -100 ? 0 : 1;
}
