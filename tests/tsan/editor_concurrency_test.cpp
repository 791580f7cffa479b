// The editor on its own thread, as a host's user-interface thread runs it:
// knobs dragged, menus opened and chosen, routes and effect slots edited,
// the timer's live updates, the window opened and closed; meanwhile the audio
// thread renders notes and controllers and a third thread automates
// parameters as hosts do. Under ThreadSanitizer any unsynchronised access
// fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "editor/synth_editor.h"
#include "guilib/platform/headless/headless.h"
#include "tests/support/direct_plugin.h"

namespace {

plugin::editor_object* headless_editor(const plugin::editor_link& link) {
  return new gui::synth_editor(link, [] { return std::unique_ptr<wnd::backend>(new wnd::headless); });
}

struct instance {
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_support::quiet_host, headless_editor);
  AEffect* e = p->effect();
  instance() {
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
    e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0.f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
  }
  ~instance() { e->dispatcher(e, effClose, 0, 0, nullptr, 0.f); }
  gui::synth_editor& editor() { return *static_cast<gui::synth_editor*>(p->editor_object_of()); }
  wnd::headless& backend() { return *static_cast<wnd::headless*>(editor().backend()); }
};

}  // namespace

TEST(concurrency, the_editor_races_nothing_with_the_audio_thread_and_host_automation) {
  instance d;
  std::atomic<bool> stop{false};
  // The audio thread plays at least 150 blocks and on until the editor has
  // been through a few rounds: a fast engine could otherwise finish before
  // the first window opened, and the race would not be run at all.
  std::atomic<int> rounds_done{0};
  constexpr int rounds_wanted = 16;
  std::thread audio([&] {
    test_support::midi_block midi;
    std::vector<float> l(256), r(256);
    float* out[2] = {l.data(), r.data()};
    for (int block = 0; block < 150 || (rounds_done.load() < rounds_wanted && block < 20000); ++block) {
      midi.clear();
      midi.add(0, 0x90, uint8_t(40 + block % 40), 100);
      midi.add(64, 0xB0, 74, uint8_t(block % 128));
      midi.add(128, 0x80, uint8_t(40 + (block + 30) % 40), 0);
      d.e->dispatcher(d.e, effProcessEvents, 0, 0, midi.events(), 0.f);
      d.e->processReplacing(d.e, nullptr, out, 256);
    }
    stop = true;
  });
  std::thread automation([&] {
    char text[64];
    for (int i = 0; !stop; ++i) {
      d.e->setParameter(d.e, i % 89, float(i % 13) / 12.f);
      d.e->getParameter(d.e, (i * 7) % 89);
      d.e->dispatcher(d.e, effGetParamDisplay, (i * 5) % 89, 0, text, 0.f);
      std::this_thread::yield();
    }
  });

  // The user-interface thread.
  int round = 0;
  while (!stop) {
    ASSERT_EQ(d.e->dispatcher(d.e, effEditOpen, 0, 0, nullptr, 0.f), 1);
    gui::synth_editor& ed = d.editor();
    wnd::headless& be = d.backend();
    wnd::window& w = *ed.window();
    gui::editor_view& v = *ed.view();
    for (int k = 0; k < 8 && !stop; ++k, ++round) {
      const gui::point c = v.params[size_t((round * 11) % 89)].widget->bounds().centre();
      be.drag(w, gui::mouse_button::left, c.x, c.y, c.x, c.y - 10 + (round % 3) * 10);
      v.pages->show(round % 3);
      gui::dropbox& slot = *v.effects[size_t(round % 4)].effect;
      slot.open_menu({});
      if (slot.is_open()) {
        const gui::menu_panel& panel = *slot.session()->panels().front();
        const gui::point item = panel.item_rect(size_t(1 + round % 5)).centre();
        be.click(w, gui::mouse_button::left, item.x, item.y);
        ed.root()->run_deferred();
      }
      const gui::point depth = v.routes[size_t(round % 16)].depth->bounds().centre();
      be.click(w, gui::mouse_button::left, depth.x + 4, depth.y);
      be.advance(w, gui::synth_editor::timer_ms + 1);
      d.e->dispatcher(d.e, effEditIdle, 0, 0, nullptr, 0.f);
      rounds_done.store(round + 1);
    }
    d.e->dispatcher(d.e, effEditClose, 0, 0, nullptr, 0.f);
  }
  audio.join();
  automation.join();
  EXPECT_GT(round, 0);
}
