// Parameter changes made on any thread, handed to the audio thread without a
// lock. Writers store the value in its preset (a relaxed cell) and mark it
// here; the audio thread drains the marks before it renders and applies each
// changed value to the voices that play that program. Marking is wait-free:
// one fetch_or per word.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "synth/param_table.h"
#include "synth/preset.h"

namespace synth {

class param_changes {
 public:
  void mark_preset(int program, int param) {
    params_[program][param >> 5].fetch_or(1u << (param & 31), std::memory_order_relaxed);
    programs_[program >> 5].fetch_or(1u << (program & 31), std::memory_order_relaxed);
    any_.store(true, std::memory_order_release);
  }
  void mark_global(int param) {
    globals_.fetch_or(1u << (param - first_global_param), std::memory_order_relaxed);
    any_.store(true, std::memory_order_release);
  }
  void clear() {
    any_.store(false, std::memory_order_relaxed);
    for (auto& w : programs_) w.store(0, std::memory_order_relaxed);
    for (auto& p : params_)
      for (auto& w : p) w.store(0, std::memory_order_relaxed);
    globals_.store(0, std::memory_order_relaxed);
  }

  // Calls on_preset(program, param) and on_global(param) for every mark, each
  // once, in index order. Marks set while draining are seen now or next time.
  template <typename PresetFn, typename GlobalFn>
  void drain(PresetFn&& on_preset, GlobalFn&& on_global) {
    if (!any_.exchange(false, std::memory_order_acquire)) return;
    for (int w = 0; w < program_words; ++w) {
      uint32_t progs = programs_[w].exchange(0, std::memory_order_relaxed);
      for (; progs; progs &= progs - 1) {
        int program = w * 32 + __builtin_ctz(progs);
        for (int pw = 0; pw < param_words; ++pw) {
          uint32_t bits = params_[program][pw].exchange(0, std::memory_order_relaxed);
          for (; bits; bits &= bits - 1) on_preset(program, pw * 32 + __builtin_ctz(bits));
        }
      }
    }
    uint32_t g = globals_.exchange(0, std::memory_order_relaxed);
    for (; g; g &= g - 1) on_global(first_global_param + __builtin_ctz(g));
  }

 private:
  static constexpr int program_words = bank_size / 32;
  static constexpr int param_words = (preset_param_count + 31) / 32;
  std::atomic<bool> any_{false};
  std::array<std::atomic<uint32_t>, program_words> programs_{};
  std::array<std::array<std::atomic<uint32_t>, param_words>, bank_size> params_{};
  std::atomic<uint32_t> globals_{0};
};

}  // namespace synth
