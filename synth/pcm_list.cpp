#include "synth/pcm_list.h"

#include <utility>

namespace synth {

int pcm_list::add(pcm_record&& record) {
  if (count() >= max_entries) return -1;
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + growth);
  entries_.push_back(std::make_unique<pcm_record>(std::move(record)));
  return count() - 1;
}

std::unique_ptr<pcm_record> pcm_list::replace(int index, std::unique_ptr<pcm_record> r) {
  if (index < 0 || index >= count() || !r) return nullptr;
  std::swap(entries_[size_t(index)], r);
  return r;
}

std::unique_ptr<pcm_record> pcm_list::remove(int index) {
  if (index < 0 || index >= count()) return nullptr;
  std::unique_ptr<pcm_record> out = std::move(entries_[size_t(index)]);
  entries_.erase(entries_.begin() + index);
  return out;
}

void pcm_list::reset_to(int n) {
  if (n < 0) n = 0;
  if (n > max_entries) n = max_entries;
  entries_.clear();
  entries_.reserve(size_t((n + growth - 1) / growth * growth));
  for (int i = 0; i < n; ++i) entries_.push_back(std::make_unique<pcm_record>());
}

}  // namespace synth
