#include "files/bank_sort.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "files/engine_presets.h"

namespace files {

namespace {

std::string folded(const std::string& s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

}  // namespace

void sorted_slots(const synth::bank& b, bank_order order, int (&out)[synth::bank_size]) {
  std::vector<std::string> names, categories;
  for (const synth::preset& p : b.slots) {
    names.push_back(folded(p.name));
    categories.push_back(folded(p.category));
  }
  std::vector<int> all(synth::bank_size);
  std::iota(all.begin(), all.end(), 0);
  if (order == bank_order::by_category) {
    std::stable_sort(all.begin(), all.end(), [&](int a, int b) {
      return categories[size_t(a)] != categories[size_t(b)] ? categories[size_t(a)] < categories[size_t(b)]
                                                            : names[size_t(a)] < names[size_t(b)];
    });
    std::copy(all.begin(), all.end(), out);
    return;
  }
  // Within categories: each category's slots, in slot order, receive its
  // presets sorted by name.
  std::vector<bool> done(synth::bank_size, false);
  for (int first = 0; first < synth::bank_size; ++first) {
    if (done[size_t(first)]) continue;
    std::vector<int> slots;
    for (int i = first; i < synth::bank_size; ++i)
      if (categories[size_t(i)] == categories[size_t(first)]) slots.push_back(i), done[size_t(i)] = true;
    std::vector<int> by_name = slots;
    std::stable_sort(by_name.begin(), by_name.end(), [&](int a, int b) { return names[size_t(a)] < names[size_t(b)]; });
    for (size_t k = 0; k < slots.size(); ++k) out[slots[k]] = by_name[k];
  }
}

void sort_bank(synth::synth& engine, bank_order order) {
  int from[synth::bank_size];
  sorted_slots(engine.presets(), order, from);
  auto old = std::make_unique<synth::bank>(engine.presets());
  for (int i = 0; i < synth::bank_size; ++i) apply_preset(engine, i, old->slots[size_t(from[i])]);
  engine.raise_program_changed();
  engine.raise_display_refresh();
}

}  // namespace files
