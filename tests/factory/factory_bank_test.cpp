// The built factory bank against its sources: what the sound files say is
// what the bank and the states hold, and the bank covers what musicians
// look for.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "files/instance_state.h"
#include "files/preset_files.h"
#include "fx/chain.h"
#include "riff/file_buffer.h"
#include "synth/engine.h"
#include "synth/engine_flags.h"
#include "synth/param_display.h"
#include "tests/factory/audition.h"
#include "synth/display_inverse.h"
#include "tools/factory/sound_text.h"

namespace {

namespace fs = std::filesystem;
using factory_test::factory_sound;

constexpr size_t min_sounds = 64;
constexpr int min_per_category = 5;
constexpr int first_drum_key = 35, last_drum_key = 51;  // General MIDI's kit from B1 to D#3
constexpr int drum_mode_offset = 24;                     // key k plays preset k - 24

std::unique_ptr<synth::bank> built_bank() {
  auto b = std::make_unique<synth::bank>();
  std::string message;
  EXPECT_EQ(files::load_bank_file(factory_test::factory_bank(), *b, &message), "");
  return b;
}

struct source {
  fs::path file;
  factory::sound_text text;
};

std::vector<source> sound_sources() {
  std::vector<source> out;
  for (const auto& e : fs::directory_iterator(VORN_SOURCE_DIR "/assets/factory")) {
    if (e.path().extension() != ".sound") continue;
    riff::file_buffer in;
    EXPECT_TRUE(in.load(e.path().string()));
    source s{e.path(), {}};
    std::string error;
    EXPECT_TRUE(factory::read_sound_text(in.text(), s.text, error)) << error;
    out.push_back(s);
  }
  return out;
}

// Two display texts say the same when they are equal, or hold the same
// number in the same unit ("1.2 s" and "1.20 s").
bool same_text(const std::string& a, const std::string& b) {
  synth::quantity qa, qb;
  if (a == b) return true;
  return synth::parse_quantity(a, qa) && synth::parse_quantity(b, qb) && qa.kind == qb.kind &&
         std::fabs(qa.value - qb.value) <= 1e-9 * std::max(std::fabs(qa.value), 1.0);
}

TEST(factory_bank, holds_enough_sounds_in_every_category_with_unique_names) {
  const std::vector<factory_sound> sounds = factory_test::read_sound_index();
  EXPECT_GE(sounds.size(), min_sounds);
  std::map<std::string, int> per_category;
  std::set<std::string> names;
  for (const factory_sound& s : sounds) {
    ++per_category[s.category];
    EXPECT_TRUE(names.insert(s.name).second) << s.name << " twice";
  }
  for (const char* c : {"Bass", "Lead", "Pad", "Keys", "Pluck", "Brass", "Bells", "Drums", "FX", "Arp"})
    EXPECT_GE(per_category[c], min_per_category) << c;
  const auto bank = built_bank();
  EXPECT_EQ(bank->name, "Vorn Factory");
  for (const factory_sound& s : sounds) EXPECT_EQ(bank->slots[size_t(s.slot)].name, s.name);
}

TEST(factory_bank, every_general_midi_drum_key_plays_a_drum_in_drum_mode) {
  const auto bank = built_bank();
  for (int key = first_drum_key; key <= last_drum_key; ++key)
    EXPECT_EQ(bank->slots[size_t(key - drum_mode_offset)].category, "Drums") << "key " << key;
  auto kit = std::make_unique<synth::synth>();
  ASSERT_EQ(files::load_state_file(factory_test::factory_dir() + "/Vorn Drum Kit.vornstate", *kit), "");
  EXPECT_TRUE(kit->flag(synth::engine_flag::drum_mode));
}

// Every line of every sound file, displayed from the built bank, reads as
// written: the writer, the reader and the display inverse agree.
TEST(factory_bank, holds_what_every_sound_file_says) {
  const auto bank = built_bank();
  const std::vector<factory_sound> index = factory_test::read_sound_index();
  const std::vector<source> sources = sound_sources();
  ASSERT_EQ(sources.size(), index.size());
  for (const source& src : sources) {
    SCOPED_TRACE(src.file.filename().string());
    const int slot = std::stoi(src.file.filename().string().substr(0, 3));
    const synth::preset& p = bank->slots[size_t(slot)];
    EXPECT_EQ(p.name, src.text.name);
    EXPECT_EQ(p.category, src.text.category);
    float values[synth::preset_param_count];
    for (int i = 0; i < synth::preset_param_count; ++i) values[i] = p.get(i);
    synth::display_context ctx;
    ctx.preset = values;
    for (const factory::setting& line : src.text.preset) {
      int index = -1;
      char text[64];
      for (int i = 0; i < synth::preset_param_count && index < 0; ++i) {
        synth::full_name(i, text, sizeof text);
        if (line.key == text) index = i;
      }
      ASSERT_GE(index, 0) << line.key;
      synth::display(index, values[index], ctx, text, sizeof text);
      EXPECT_TRUE(same_text(text, line.value)) << line.key << ": the bank shows \"" << text << "\", the file \""
                                                << line.value << "\"";
    }
  }
}

// A sound's inserts live in its state: loaded into an engine, the chain
// holds the effects its file names, in its slots.
TEST(factory_bank, states_carry_the_inserts_their_sounds_name) {
  const std::vector<factory_sound> index = factory_test::read_sound_index();
  int with_inserts = 0;
  for (const source& src : sound_sources()) {
    if (src.text.inserts.empty()) continue;
    SCOPED_TRACE(src.text.name);
    ++with_inserts;
    const auto row = std::find_if(index.begin(), index.end(), [&](const factory_sound& s) { return s.name == src.text.name; });
    ASSERT_NE(row, index.end());
    ASSERT_FALSE(row->state.empty());
    auto engine = std::make_unique<synth::synth>();
    ASSERT_EQ(files::load_state_file(factory_test::factory_dir() + "/" + row->state, *engine), "");
    std::set<int> used;
    for (const factory::insert_block& b : src.text.inserts) {
      fx::slot_state slot;
      ASSERT_TRUE(engine->effects().save_slot(b.slot - 1, slot)) << "slot " << b.slot;
      EXPECT_EQ(b.effect, slot.name);
      used.insert(b.slot - 1);
    }
    for (int i = 0; i < fx::chain::slot_count; ++i)
      if (!used.count(i)) EXPECT_EQ(engine->effects().slot(i), nullptr) << "slot " << i + 1;
  }
  EXPECT_GT(with_inserts, 0);
}

}  // namespace
