// What the GUI costs to draw: a full redraw of the 762 x 516 window (the
// widget gallery, dense as the editor) at scale 1 and 2, the redraw after one
// knob turns, and after the level meters move, as the editor's idle timer
// does thirty times a second. A frame at 60 Hz is 16.7 ms.
#include <benchmark/benchmark.h>

#include <memory>

#include "guilib/archive/gui_archive.h"
#include "guilib/platform/headless/headless.h"
#include "tools/gui-demo/gallery.h"

namespace {

struct window_fixture {
  wnd::headless be;
  wnd::window w;
  std::unique_ptr<gui::root_container> root;
  demo::gallery g;

  explicit window_fixture(float scale) {
    gui::mount_builtin();
    const int32_t width = int32_t(762 * scale), height = int32_t(516 * scale);
    be.create(w, {0, 0, 0, width, height});
    root = std::make_unique<gui::root_container>(gui::rect{0, 0, width, height});
    root->attach(w);
    demo::build_gallery(*root, gui::style_for_scale(scale), g);
    root->paint(w.surface.pixels);  // strips loaded or rendered before timing
  }
  ~window_fixture() {
    root.reset();
    be.destroy(w);
  }
};

void full_redraw(benchmark::State& state) {
  window_fixture f(float(state.range(0)) / 100.f);
  for (auto _ : state) {
    f.root->damage(f.root->bounds());
    f.root->paint(f.w.surface.pixels);
  }
}

void knob_turn(benchmark::State& state) {
  window_fixture f(float(state.range(0)) / 100.f);
  gui::knob& k = *f.g.knobs.front();  // the 49-pixel cutoff knob
  float v = 0.f;
  for (auto _ : state) {
    v = v > 0.99f ? 0.f : v + 0.013f;
    k.set_value(v);
    f.root->paint(f.w.surface.pixels);
  }
}

void meters_tick(benchmark::State& state) {
  window_fixture f(float(state.range(0)) / 100.f);
  int tick = 0;
  for (auto _ : state) {
    demo::animate_gallery(f.g, ++tick);
    f.root->paint(f.w.surface.pixels);
  }
}

}  // namespace

BENCHMARK(full_redraw)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(knob_turn)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(meters_tick)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
