#include "fx/form.h"

#include <atomic>

namespace fx {

namespace {

std::atomic<int> chosen{int(form::fast)};

}  // namespace

form active_form() { return form(chosen.load(std::memory_order_relaxed)); }

void force_form(form f) { chosen.store(int(f), std::memory_order_relaxed); }

}  // namespace fx
