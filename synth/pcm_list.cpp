#include "synth/pcm_list.h"

namespace synth {

int pcm_list::add(pcm_record&& record) {
  if (count() >= max_entries) return -1;
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + growth);
  entries_.push_back(std::make_unique<pcm_record>(std::move(record)));
  return count() - 1;
}

void pcm_list::reset_to(int n) {
  if (n < 0) n = 0;
  if (n > max_entries) n = max_entries;
  entries_.clear();
  entries_.reserve(size_t((n + growth - 1) / growth * growth));
  for (int i = 0; i < n; ++i) entries_.push_back(std::make_unique<pcm_record>());
}

}  // namespace synth
