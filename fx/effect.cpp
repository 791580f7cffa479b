#include "fx/effect.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace fx {

namespace {

constexpr float default_build_rate = 44100.f;  // until the chain names the synth's rate

}  // namespace

effect::effect(const char* name, const param_desc* table, int count, const param_group* groups, int inputs)
    : name_(name), table_(table), groups_(groups), count_(count < max_params ? count : max_params),
      inputs_(inputs) {
  for (int i = 0; i < count_; ++i) values_[size_t(i)] = table_[i].def;
}

// "%i%%" of the value in percent (rounded down) for reals, "On"/"Off" for a
// 0..1 switch, "%i" for other whole values.
void effect::format_value(int index, char* text, size_t size) const {
  if (index < 0 || index >= count_ || !text || size == 0) return;
  const param_desc& d = table_[index];
  const float v = value(index);
  if (!d.integer) {
    std::snprintf(text, size, "%i%%", int(std::floor(v * 100.f)));
  } else if (d.min == 0.f && d.max == 1.f) {
    std::snprintf(text, size, "%s", v > 0.5f ? "On" : "Off");
  } else {
    std::snprintf(text, size, "%i", int(v));
  }
}

void effect::set_value(int index, float v) {
  if (index < 0 || index >= count_) return;
  const param_desc& d = table_[index];
  if (std::isnan(v)) v = d.def;
  v = v < d.min ? d.min : (v > d.max ? d.max : v);
  const bool same = values_[size_t(index)] == v;
  values_[size_t(index)] = v;
  changed_[size_t(index)].store(1, std::memory_order_release);
  any_changed_.store(true, std::memory_order_release);
  if (structural(index) && !same) {
    if (loading_)
      rebuild_pending_ = true;  // once, after the whole record
    else
      rebuild(build_rate());
  }
}

void effect::load_defaults() {
  for (int i = 0; i < count_; ++i) {
    values_[size_t(i)] = table_[i].def;
    changed_[size_t(i)].store(0, std::memory_order_relaxed);
    parameter_changed(i);
  }
  any_changed_.store(false, std::memory_order_relaxed);
}

void effect::load_record(const param_record& stored) {
  const int n = stored.values ? (stored.count < count_ ? stored.count : count_) : 0;
  loading_ = true;
  rebuild_pending_ = false;
  for (int i = 0; i < n; ++i) {
    const float current = value(i);
    if (std::memcmp(&stored.values[i], &current, sizeof current) == 0) continue;  // bitwise: NaN too
    set_value(i, stored.values[i]);
  }
  loading_ = false;
  if (rebuild_pending_) rebuild(build_rate());
  if (stored.count != count_ || stored.version != parameter_version()) upgrade_parameters(stored);
  if (view_) view_->effect_changed();
}

int32_t effect::save_record(float* values, int32_t& version) const {
  version = parameter_version();
  for (int i = 0; i < count_; ++i) values[i] = value(i);
  return count_;
}

float effect::build_rate() const {
  const float r = storage_rate_;
  return r > 0.f ? r : default_build_rate;
}

void effect::follow_rate(float rate, int frames) {
  if (rate != rc_.rate) {
    constexpr float pi = std::numbers::pi_v<float>;
    rc_.rate = rate;
    rc_.inv_rate = 1.f / rate;
    rc_.pi_over_rate = pi / rate;
    rc_.two_pi_over_rate = 2.f * pi / rate;
    sample_rate_changed();
    rc_.control_rate = rc_.inv_divider * rate;
    block_rate_changed();
  }
  if (frames != rc_.divider) {
    rc_.divider = frames;
    rc_.inv_divider = 1.f / float(frames);
    if (rc_.rate > 0.f) {
      rc_.control_rate = rc_.rate / float(frames);
      block_rate_changed();
    }
  }
}

void effect::apply_pending() {
  if (!any_changed_.exchange(false, std::memory_order_acq_rel)) return;
  for (int i = 0; i < count_; ++i)
    if (changed_[size_t(i)].exchange(0, std::memory_order_acq_rel)) parameter_changed(i);
}

namespace {

// Both channels of a pointer pair finite (null pointers count as finite).
bool pair_finite(float* const* ch, int frames) {
  if (!ch) return true;
  for (int c = 0; c < 2; ++c)
    if (ch[c] && !all_finite(ch[c], frames)) return false;
  return true;
}

}  // namespace

void effect::run(const io& block, bool replace) {
  apply_pending();
  if (block.frames <= 0) return;
  // The input is looked at before `process`, which may overwrite it in place.
  const bool clean_input = pair_finite(block.in, block.frames) && (inputs_ < 4 || pair_finite(block.side, block.frames));
  process(block, replace);
  if (!clean_input || !pair_finite(block.out, block.frames)) recover();
}

bool all_finite(const float* x, int n) {
  // An exponent of all ones (infinity or NaN) carries into the sign bit when
  // one more exponent step is added; OR-ing keeps any such carry.
  uint32_t carry = 0;
  for (int i = 0; i < n; ++i) {
    uint32_t bits;
    std::memcpy(&bits, x + i, sizeof bits);
    carry |= (bits & 0x7F800000u) + 0x00800000u;
  }
  return (carry & 0x80000000u) == 0;
}

void scrub(float* x, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (!std::isfinite(x[i])) x[i] = 0.f;
}

}  // namespace fx
