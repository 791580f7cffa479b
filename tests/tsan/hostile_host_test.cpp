// A host that keeps no lock of its own: vorn.so loaded through its entry,
// processReplacing on an audio thread while the host's other thread
// restores chunks (effSetChunk), automates every parameter, changes
// programs and idles the open editor, all at once. Under ThreadSanitizer
// any unsynchronised access fails the run; afterwards every parameter reads
// back the last value the host set, and no block held a NaN.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tools/vsthost/plugin_library.h"
#include "tools/xvfb/xvfb_server.h"

namespace {

constexpr int32_t host_params = 89;
constexpr int32_t frames = 256;

// Thread-safe by having no state: the plug-in calls it from both threads.
intptr_t VST_CALL lockless_host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The value a parameter reads back after it was set to `wanted`: a stepped
// parameter of n values lands on step k = floor(wanted * (n - 1 + 0.999)),
// which reads back as k / (n - 1).
float read_back_of(AEffect* e, int32_t index, float wanted) {
  VstParameterProperties props{};
  if (e->dispatcher(e, effGetParameterProperties, index, 0, &props, 0.f) != 1) return wanted;
  if (!(props.flags & kVstParameterUsesFloatStep)) return wanted;
  const float steps = std::round(1.f / props.stepFloat);  // n - 1
  const float k = std::min(std::floor(wanted * (steps + 0.999f)), steps);
  return k / steps;
}

// A block's MIDI list: the pointers run on past the two declared slots, so
// they are addressed from the raw bytes, as a host does.
struct midi_list {
  static constexpr int capacity = 4;
  struct {
    VstEvents head;
    VstEvent* more[capacity];
  } block{};
  VstMidiEvent events[capacity]{};

  VstEvents* fill(const uint8_t (*bytes)[3], int count, int spacing) {
    auto* slots = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(&block.head) + offsetof(VstEvents, events));
    for (int k = 0; k < count && k < capacity; ++k) {
      events[k] = VstMidiEvent{};
      events[k].type = kVstMidiType;
      events[k].byteSize = sizeof(VstMidiEvent);
      events[k].deltaFrames = k * spacing;
      for (int i = 0; i < 3; ++i) events[k].midiData[i] = char(bytes[k][i]);
      slots[k] = reinterpret_cast<VstEvent*>(&events[k]);
    }
    block.head.numEvents = count < capacity ? count : capacity;
    return &block.head;
  }
};

// The editor needs a display: a private Xvfb and a window of the host's.
struct editor_parent {
  std::unique_ptr<xvfb::server> server = std::make_unique<xvfb::server>();
  Display* x = nullptr;
  Window window = 0;
  editor_parent() {
    if (!server->running()) return;
    setenv("DISPLAY", server->display().c_str(), 1);
    x = XOpenDisplay(server->display().c_str());
    if (!x) return;
    window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 800, 600, 0, 0, 0);
    XMapWindow(x, window);
    XSync(x, False);
  }
  ~editor_parent() {
    if (!x) return;
    XDestroyWindow(x, window);
    XCloseDisplay(x);
  }
};

}  // namespace

TEST(hostile_host, chunks_automation_programs_and_idle_race_nothing_with_processing) {
  editor_parent parent;
  vsthost::plugin_library library;
  std::string error;
  ASSERT_TRUE(library.open(VORN_PLUGIN_PATH, error)) << error;
  AEffect* e = library.entry()(lockless_host);
  ASSERT_NE(e, nullptr);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
  e->dispatcher(e, effSetBlockSize, 0, frames, nullptr, 0.f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
  const bool editor = parent.window && e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(parent.window), 0.f) == 1;
  if (!editor) std::printf("no display for the editor: effEditIdle runs without a window\n");

  // The chunks the host restores during the storm: a state and a program.
  std::vector<uint8_t> state, program;
  void* data = nullptr;
  intptr_t n = e->dispatcher(e, effGetChunk, 0, 0, &data, 0.f);
  state.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
  n = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.f);
  program.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
  ASSERT_GT(state.size(), 8u);
  ASSERT_GT(program.size(), 8u);

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0}, nan_blocks{0};
  std::thread audio([&] {
    midi_list midi;
    std::vector<float> l(frames), r(frames);
    float* out[2] = {l.data(), r.data()};
    for (int b = 0; !stop.load() || b < 50; ++b) {
      const uint8_t on = uint8_t(36 + b % 48), off = uint8_t(36 + (b + 40) % 48);
      const uint8_t bytes[4][3] = {{0x90, on, 100}, {0x90, uint8_t(on + 7), 90}, {0x80, off, 0}, {0x80, uint8_t(off + 7), 0}};
      e->dispatcher(e, effProcessEvents, 0, 0, midi.fill(bytes, 4, 60), 0.f);
      e->processReplacing(e, nullptr, out, frames);
      for (int i = 0; i < frames; ++i)
        if (!std::isfinite(l[size_t(i)]) || !std::isfinite(r[size_t(i)])) {
          nan_blocks.fetch_add(1);
          break;
        }
      blocks.fetch_add(1);
    }
  });

  // The host's other thread: rounds until the audio thread has run a few
  // hundred blocks beside it (at least 40 rounds).
  std::vector<float> last(host_params, -1.f);
  char text[64];
  int round = 0;
  for (; round < 40 || (blocks.load() < 300 && round < 4000); ++round) {
    for (int32_t i = 0; i < host_params; ++i) {
      const float v = float((round * 37 + i * 11) % 101) / 100.f;
      e->setParameter(e, i, v);
      last[size_t(i)] = v;
    }
    if (round % 3 == 0) e->dispatcher(e, effSetProgram, 0, (round * 7) % 128, nullptr, 0.f);
    if (round % 4 == 1) e->dispatcher(e, effSetChunk, 0, intptr_t(state.size()), state.data(), 0.f);
    if (round % 4 == 3) e->dispatcher(e, effSetChunk, 1, intptr_t(program.size()), program.data(), 0.f);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
    e->dispatcher(e, effGetProgramName, 0, 0, text, 0.f);
    e->dispatcher(e, effGetParamDisplay, round % host_params, 0, text, 0.f);
    e->getParameter(e, (round * 5) % host_params);
  }
  // The storm's last word: every parameter once more, while audio still runs.
  for (int32_t i = 0; i < host_params; ++i) {
    const float v = float((i * 13 + 7) % 97) / 96.f;
    e->setParameter(e, i, v);
    last[size_t(i)] = v;
  }
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
  stop = true;
  audio.join();

  EXPECT_EQ(nan_blocks.load(), 0) << "blocks with a NaN or infinity of " << blocks.load();
  EXPECT_GE(blocks.load(), 50);
  for (int32_t i = 0; i < host_params; ++i)
    EXPECT_NEAR(e->getParameter(e, i), read_back_of(e, i, last[size_t(i)]), 1e-4f) << "parameter " << i;
  if (editor) e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
  std::printf("%d host rounds beside %d blocks of %d frames\n", round, blocks.load(), frames);
}
