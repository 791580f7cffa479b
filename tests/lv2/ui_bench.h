// The LV2 plug-in in the lilv test host with the UI's mirror beside it, wired
// as a host wires them: the mirror's port writes and atom messages go to the
// plug-in's ports, the notify output's events come back through port_event.
// One cycle: the UI's idle, one block, the worker's requests, the notify
// events. No editor and no window: the mirror's editor is replaced by
// direct calls on its instance (its command channel and host link).
#pragma once

#include <lv2/atom/atom.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin/lv2/ui_mirror.h"
#include "plugin/lv2/uris.h"
#include "tools/lv2host/plugin_host.h"

namespace lv2_test {

struct ui_bench {
  static constexpr double rate = 48000.0;
  static constexpr int32_t block = 256;

  lv2host::plugin_host dsp;
  std::unique_ptr<plugin::lv2::ui_mirror> ui;
  double clock = 0.0;
  int32_t messages_to_dsp = 0;
  std::vector<float> left = std::vector<float>(block), right = std::vector<float>(block);

  // Loads the plug-in (with or without the worker) and makes the mirror.
  bool start(bool worker = true) {
    dsp.offer_worker(worker);
    std::string error;
    if (!dsp.load(VORN_LV2_BUNDLE, plugin::lv2::plugin_uri, rate, block, error)) return false;
    const LV2_URID transfer = dsp.urids().map(LV2_ATOM__eventTransfer);
    ui.reset(plugin::lv2::ui_mirror::create(
        dsp.urids().map_data(),
        [this, transfer](uint32_t port, uint32_t size, uint32_t protocol, const void* data) {
          if (protocol == 0 && size == sizeof(float)) {
            dsp.set_control(int32_t(port), *static_cast<const float*>(data));
          } else if (protocol == transfer && port == uint32_t(plugin::lv2::events_port)) {
            dsp.queue_atom(0, static_cast<const LV2_Atom*>(data));
            ++messages_to_dsp;
          }
        },
        nullptr));
    return ui != nullptr;
  }

  void cycle() {
    ui->idle(clock);
    dsp.process(left.data(), right.data(), block);
    dsp.run_worker();
    deliver();
    clock += block / rate;
  }

  // The notify events of the last block to the UI, as a host sends them.
  void deliver() {
    const LV2_URID transfer = dsp.urids().map(LV2_ATOM__eventTransfer);
    dsp.for_each_notification([&](const LV2_Atom* atom) {
      ui->port_event(uint32_t(plugin::lv2::notify_port), uint32_t(sizeof(LV2_Atom) + atom->size), transfer, atom);
    });
  }

  // Cycles until `done` holds, at most `limit` of them; false when it never did.
  bool cycle_until(const std::function<bool()>& done, int limit = 2000) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      cycle();
    }
    return done();
  }

  std::vector<uint8_t> dsp_state() { return dsp.state_value(plugin::lv2::state_key_uri); }
  std::vector<uint8_t> mirror_state() {
    size_t size = 0;
    const uint8_t* bytes = ui->mirror().save_state(size);
    return std::vector<uint8_t>(bytes, bytes + size);
  }
};

}  // namespace lv2_test
