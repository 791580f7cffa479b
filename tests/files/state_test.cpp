#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "files/preset_files.h"
#include "files/pcm_chunk.h"
#include "files/preset_chunk.h"
#include "files/state_controls.h"
#include "fx/chain.h"
#include "riff/bytes.h"
#include "tests/files/files_support.h"

namespace {

using files_test::bytes;
namespace p = synth::p;

bytes state_of(synth::synth& e) {
  return files_test::written([&](uint8_t* d) { return files::write_state(d, e); });
}

riff::chunk_view child(const bytes& state, const char* id) {
  return riff::find_chunk(riff::chunk_at(state.data(), state.size()), id);
}

// The state with one child's bytes replaced (sizes fixed up).
bytes with_child(const bytes& state, const char* id, const bytes& replacement) {
  const riff::chunk_view old = child(state, id);
  const size_t at = size_t(old.data - state.data());
  bytes out(state.begin(), state.begin() + long(at));
  out.insert(out.end(), replacement.begin(), replacement.end());
  out.insert(out.end(), state.begin() + long(at + old.size), state.end());
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  return out;
}


class state : public ::testing::Test {
 protected:
  std::unique_ptr<synth::synth> engine_ = std::make_unique<synth::synth>();
};

TEST_F(state, empty_state_sizes_follow_the_formula) {
  engine_->presets().name.clear();
  const bytes s = state_of(*engine_);
  EXPECT_EQ(child(s, "p_rt").size, 16u);
  EXPECT_EQ(child(s, "pcms").size, 16u);
  EXPECT_EQ(child(s, "vfxl").size, 16u);
  EXPECT_EQ(child(s, "mdcc").size, 12u);
  EXPECT_EQ(child(s, "ctrl").size, 80u);
  EXPECT_EQ(child(s, "flag").size, 36u);
  EXPECT_EQ(child(s, "edtr").size, 40u);
  EXPECT_EQ(std::memcmp(s.data() + s.size() - 24, "saws", 4), 0);
  EXPECT_EQ(riff::read_u32(s.data() + s.size() - 16), 16u);  // saw count of a new instance
  // The nine children in order.
  const char* order[] = {"kvxb", "ctrl", "flag", "p_rt", "pcms", "vfxl", "mdcc", "edtr", "saws"};
  uint32_t at = 8;
  for (const char* id : order) {
    ASSERT_EQ(std::memcmp(s.data() + at, id, 4), 0) << id;
    at += riff::read_u32(s.data() + at + 4);
  }
  EXPECT_EQ(at, s.size());

  // 44 + kvxb + pcms + vfxl + edtr + 132 + 24 per route + 8 per controller.
  engine_->set_route(3, files::make_route(2, 1, 1, p::filter_frequency, 0, 0.5f));
  engine_->set_route(9, files::make_route(1, 1, 1, p::volume, 0, -0.25f));
  const synth::cc_pair pairs[] = {{1, 41}, {7, 0}, {64, 100}};
  engine_->controller_map().load(pairs, 3);
  const bytes full = state_of(*engine_);
  const uint32_t expected = 44 + child(full, "kvxb").size + child(full, "pcms").size + child(full, "vfxl").size +
                            child(full, "edtr").size + 132 + 24 * 2 + 8 * 3;
  EXPECT_EQ(riff::read_u32(full.data() + 4), expected);
  EXPECT_EQ(full.size(), expected);
}

TEST_F(state, everything_survives_a_round_trip_byte_for_byte) {
  engine_->presets().name = "My bank";
  engine_->program(5).name = "Five";
  engine_->set_param(p::filter_frequency, 5, 0.3125f);
  engine_->set_param(p::unison_voices, 0, 3.f);
  engine_->set_param(p::coarse_tune, 0, 30.f);
  engine_->set_flag(synth::engine_flag::drum_mode, true);
  engine_->set_flag(synth::engine_flag::recycle_voices, false);
  engine_->set_route(4, files::make_route(3, 74, 1, p::filter_resonance, 1, 0.75f));
  const synth::cc_pair pairs[] = {{1, p::filter_frequency}, {11, p::master_volume}};
  engine_->controller_map().load(pairs, 2);
  engine_->set_saw_count(7);
  synth::pcm_record r;
  const int16_t frames[] = {100, -200, 300, -400, 500};
  r.assign(frames, 5);
  r.name = "five";
  r.frames_per_cycle = 12.5f;
  r.set_loop(1, 3, 0.25f);
  r.set_end_guards();
  engine_->pcms().add(std::move(r));
  synth::pcm_record eight;
  eight.assign(frames, 5);
  eight.source_bits = 8;  // kept as high bytes only
  engine_->pcms().add(std::move(eight));

  const bytes first = state_of(*engine_);
  auto fresh = std::make_unique<synth::synth>();
  ASSERT_TRUE(files::read_state(first.data(), first.size(), *fresh));
  EXPECT_EQ(state_of(*fresh), first);

  EXPECT_EQ(fresh->presets().name, "My bank");
  EXPECT_EQ(fresh->program(5).name, "Five");
  EXPECT_EQ(fresh->get_param(p::filter_frequency, 5), 0.3125f);
  EXPECT_EQ(fresh->unison_layers(), 4);
  EXPECT_TRUE(fresh->flag(synth::engine_flag::drum_mode));
  EXPECT_FALSE(fresh->flag(synth::engine_flag::recycle_voices));
  const synth::route back = fresh->routes().get_route(0);  // compacted into row 0
  EXPECT_EQ(back.source_index, 74);
  EXPECT_EQ(back.mode, 1);
  EXPECT_EQ(back.depth, 0.75f);
  EXPECT_EQ(fresh->controller_map().entry(11), p::master_volume);
  EXPECT_EQ(fresh->saw_count(), 7);
  ASSERT_EQ(fresh->pcms().count(), 2);
  const synth::pcm_record& got = *fresh->pcms().at(0);
  EXPECT_EQ(got.name, "five");
  EXPECT_EQ(got.frames_per_cycle, 12.5f);
  EXPECT_EQ((std::vector<int16_t>(got.frames(), got.frames() + 5)), (std::vector<int16_t>(frames, frames + 5)));
  EXPECT_TRUE(got.loop);
  EXPECT_EQ(got.frames()[5], -200);  // guard continues the loop
  EXPECT_EQ(fresh->pcms().at(1)->frames()[1], int16_t(-200 & 0xff00));
}

TEST_F(state, older_controls_and_bounded_chunks) {
  const bytes base = state_of(*engine_);
  // "ctrl" version 0 without "p_rt": Coarse Tune up an octave, bender route 1
  // with scale 0.75 (offset 0.5) gives exactly one route.
  bytes ctrl(child(base, "ctrl").data, child(base, "ctrl").data + 80);
  riff::put_u32(ctrl.data() + 8, 0);
  riff::put_f32(ctrl.data() + 12 + 4 * 5, 1.f);
  riff::put_f32(ctrl.data() + 12 + 4 * 6, 0.75f);
  const float coarse = riff::read_f32(ctrl.data() + 12 + 4);
  bytes no_routes = with_child(base, "ctrl", ctrl);
  const riff::chunk_view rt = child(no_routes, "p_rt");
  no_routes[size_t(rt.data - no_routes.data()) + 3] = 'x';  // "p_rx": no routes chunk
  engine_->set_route(7, files::make_route(1, 1, 1, 3, 0, 0.5f));
  ASSERT_TRUE(files::read_state(no_routes.data(), no_routes.size(), *engine_));
  EXPECT_EQ(engine_->get_param(p::coarse_tune, 0), coarse + 12.f);
  int used = 0;
  for (int i = 0; i < synth::route_count; ++i) used += engine_->routes().get_route(i).in_use();
  EXPECT_EQ(used, 1);
  const synth::route r = engine_->routes().get_route(0);
  EXPECT_EQ((std::vector<int32_t>{r.source_class, r.source_index, r.dest_class, r.dest_index, r.mode}),
            (std::vector<int32_t>{2, 6, 1, 0, 0}));
  EXPECT_EQ(r.depth, 0.5f);

  // The same "ctrl" with a "p_rt": the routes come from it, Coarse Tune stays.
  auto other = std::make_unique<synth::synth>();
  other->set_route(0, files::make_route(3, 1, 1, 41, 0, 0.5f));
  other->set_route(1, files::make_route(3, 2, 1, 42, 0, 0.5f));
  const bytes two_routes = with_child(state_of(*other), "ctrl", ctrl);
  auto target = std::make_unique<synth::synth>();
  for (int i = 0; i < 16; ++i) target->set_route(i, files::make_route(1, 1, 1, i, 0, 1.f));
  ASSERT_TRUE(files::read_state(two_routes.data(), two_routes.size(), *target));
  EXPECT_EQ(target->get_param(p::coarse_tune, 0), coarse);
  EXPECT_EQ(target->routes().get_route(1).source_index, 2);
  for (int i = 2; i < 16; ++i) EXPECT_FALSE(target->routes().get_route(i).in_use()) << i;

  // A controller number of 200 is skipped; a count past the bytes is bounded.
  bytes mdcc = {'m', 'd', 'c', 'c', 28, 0, 0, 0, 99, 0, 0, 0, 200, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 41, 0, 0, 0};
  synth::cc_map map;
  files::read_cc_map_chunk(mdcc.data(), mdcc.size(), map);
  EXPECT_EQ(map.entry(3), 41);
  for (int c = 0; c < 128; ++c)
    if (c != 3) EXPECT_EQ(map.entry(c), synth::cc_map::unmapped) << c;

  // "saws" counts only as the very last 24 bytes of "vorn".
  bytes moved = base;
  const riff::chunk_view saws = child(base, "saws");
  bytes saws_bytes(saws.data, saws.data + 24);
  riff::put_u32(saws_bytes.data() + 8, 3);
  const riff::chunk_view kvxb = child(base, "kvxb");
  moved.resize(moved.size() - 24);
  moved.insert(moved.begin() + (kvxb.data - base.data()) + kvxb.size, saws_bytes.begin(), saws_bytes.end());
  ASSERT_TRUE(files::read_state(moved.data(), moved.size(), *engine_));
  EXPECT_EQ(engine_->saw_count(), 16);
}

TEST_F(state, globals_from_a_file_stay_in_their_ranges) {
  const bytes base = state_of(*engine_);
  bytes ctrl(child(base, "ctrl").data, child(base, "ctrl").data + 80);
  riff::put_f32(ctrl.data() + 12, NAN);                // Voices
  riff::put_f32(ctrl.data() + 12 + 4 * 12, 2.5e23f);   // Unison Voices
  riff::put_f32(ctrl.data() + 12 + 4 * 3, -7.f);       // Volume
  const bytes bad = with_child(base, "ctrl", ctrl);
  ASSERT_TRUE(files::read_state(bad.data(), bad.size(), *engine_));
  EXPECT_EQ(engine_->get_param(p::voices, 0), synth::param_row(p::voices).def);
  EXPECT_EQ(engine_->get_param(p::unison_voices, 0), synth::param_row(p::unison_voices).max);
  EXPECT_EQ(engine_->get_param(p::master_volume, 0), synth::param_row(p::master_volume).min);
}

TEST_F(state, effect_slots_and_the_editor_look_travel_with_the_state) {
  fx::chain& chain = engine_->effects();
  ASSERT_TRUE(chain.set_effect(0, "Reverb"));
  ASSERT_TRUE(chain.set_effect(2, "mDelay"));
  chain.slot(0)->set_value(1, chain.slot(0)->desc(1).min);
  const bytes with_effects = state_of(*engine_);
  const riff::chunk_view vfxl = child(with_effects, "vfxl");
  EXPECT_EQ(riff::read_u32(vfxl.payload() + 4), 2u);  // filled slots only
  const riff::chunk_view first = riff::child_at(vfxl, 16);
  const riff::chunk_view second = riff::child_at(vfxl, 16 + first.size);
  ASSERT_TRUE(first.is("vfxs") && second.is("vfxs"));
  EXPECT_EQ(vfxl.size, 16u + first.size + second.size);
  EXPECT_EQ(riff::read_string_chunk(riff::find_chunk(second, "name")), "mDelay");

  auto fresh = std::make_unique<synth::synth>();
  fresh->effects().set_effect(3, "Gate");  // a state decides every slot
  ASSERT_TRUE(files::read_state(with_effects.data(), with_effects.size(), *fresh));
  ASSERT_NE(fresh->effects().slot(0), nullptr);
  EXPECT_STREQ(fresh->effects().slot(0)->name(), "Reverb");
  EXPECT_EQ(fresh->effects().slot(0)->value(1), chain.slot(0)->value(1));
  ASSERT_NE(fresh->effects().slot(1), nullptr);
  EXPECT_STREQ(fresh->effects().slot(1)->name(), "mDelay");  // filled slots close up
  EXPECT_EQ(fresh->effects().slot(2), nullptr);
  EXPECT_EQ(fresh->effects().slot(3), nullptr);
  EXPECT_EQ(state_of(*fresh), with_effects);

  // An unknown effect name empties its slot; the editor's look is kept.
  bytes renamed = with_effects;
  const size_t name_at = size_t(child(renamed, "vfxl").data - renamed.data()) + 16 + 8 + 8;
  std::memcpy(renamed.data() + name_at, "Xeverb", 6);
  bytes edtr(child(renamed, "edtr").data, child(renamed, "edtr").data + 40);
  riff::put_u32(edtr.data() + 20, 7);  // background choice 7
  renamed = with_child(renamed, "edtr", edtr);
  ASSERT_TRUE(files::read_state(renamed.data(), renamed.size(), *fresh));
  EXPECT_EQ(fresh->effects().slot(0), nullptr);
  ASSERT_NE(fresh->effects().slot(1), nullptr);
  EXPECT_STREQ(fresh->effects().slot(1)->name(), "mDelay");
  EXPECT_EQ(child(state_of(*fresh), "edtr").size, 40u);
  EXPECT_EQ(riff::read_u32(child(state_of(*fresh), "edtr").data + 20), 7u);
}

TEST_F(state, garbage_truncated_and_foreign_ids_change_nothing) {
  engine_->effects().set_effect(1, "Phaser");
  engine_->program(3).name = "Three";
  const bytes before = state_of(*engine_);
  for (const bytes& bad : {bytes{1, 2, 3}, bytes(before.begin(), before.end() - 1),
                           bytes{'v', 'o', 'r', 'x', 8, 0, 0, 0}}) {
    EXPECT_FALSE(files::read_state(bad.data(), bad.size(), *engine_));
    EXPECT_EQ(state_of(*engine_), before);
  }
}

TEST_F(state, files_and_outcomes) {
  const std::string path = files_test::scratch("s.vornstate");
  EXPECT_EQ(files::save_state_file(path, *engine_), "");
  EXPECT_EQ(files::load_state_file(path, *engine_), "");
  EXPECT_EQ(files::load_state_file(files_test::scratch("none.vornstate"), *engine_), "Can't read file (doesn't exist?)");
  files_test::write_bytes(files_test::scratch("empty.vornstate"), {});
  EXPECT_EQ(files::load_state_file(files_test::scratch("empty.vornstate"), *engine_), "Error reading file");

  const synth::cc_pair pairs[] = {{21, p::osc_b_fine}};
  engine_->controller_map().load(pairs, 1);
  const std::string map = files_test::scratch("m.vornmidiccmap");
  EXPECT_EQ(files::save_cc_map_file(map, *engine_), "");
  EXPECT_EQ(files_test::read_bytes(map).size(), 20u);
  engine_->controller_map().clear();
  EXPECT_EQ(files::load_cc_map_file(map, *engine_), "");
  EXPECT_EQ(engine_->controller_map().entry(21), p::osc_b_fine);
}

TEST_F(state, start_up_files_fill_a_new_instance) {
  // The user's init preset goes into every slot, then init.vornstate and
  // init.vornbank are read over it.
  synth::preset mine;
  synth::build_factory_init(mine);
  mine.name = "My Init";
  ASSERT_EQ(files::save_user_preset("init", mine), "");
  engine_->set_saw_count(5);
  ASSERT_EQ(files::save_init_state(*engine_), "");
  auto b = std::make_unique<synth::bank>(engine_->presets());
  b->slots[9].name = "From bank";
  ASSERT_EQ(files::save_init_bank(*b), "");

  auto fresh = std::make_unique<synth::synth>();
  files::load_start_up_files(*fresh);
  EXPECT_EQ(fresh->saw_count(), 5);
  EXPECT_EQ(fresh->program(9).name, "From bank");
  EXPECT_EQ(fresh->program(0).name, "Init");  // the state's bank came after the init preset
  for (const char* f : {"init.vornpreset", "init.vornstate", "init.vornbank"})
    std::filesystem::remove(files_test::data_dir() + f);
  auto plain = std::make_unique<synth::synth>();
  files::load_start_up_files(*plain);
  EXPECT_EQ(plain->program(127).name, "Init");
  EXPECT_EQ(plain->saw_count(), 16);
  // A missing user preset is written from the factory one.
  EXPECT_EQ(files_test::read_bytes(files_test::data_dir() + "init.vornpreset").size(), 402u);
  EXPECT_EQ(files_test::read_bytes(files_test::data_dir() + "reset.vornpreset").size(), 403u);

  // A preset file into one slot reaches the engine's values.
  synth::preset loud = mine;
  loud.set(p::volume, 0.5f);
  ASSERT_EQ(files::save_preset_file(files_test::scratch("loud.vornpreset"), loud), "saved preset");
  EXPECT_EQ(files::load_preset_into(*plain, 3, files_test::scratch("loud.vornpreset")), "loaded preset ?");
  EXPECT_EQ(plain->get_param(p::volume, 3), 0.5f);
  EXPECT_EQ(plain->program(3).name, "My Init");
}

TEST(smpl_chunk, float_sources_keep_their_samples) {
  // A 32-bit float source is stored as 16-bit samples; reading must accept
  // exactly what the writer stored.
  synth::pcm_record r;
  const int16_t frames[] = {1, 2, 3, 4, 5, 6, 7, 8};
  r.assign(frames, 8);
  r.source_bits = 32;
  const bytes s = files_test::written([&](uint8_t* d) { return files::write_smpl_chunk(d, r); });
  EXPECT_EQ(s.size(), 48u + 8 + 16);  // no name: a bare "name" header
  synth::pcm_record back;
  files::read_smpl_chunk(riff::chunk_at(s.data(), s.size()), back);
  ASSERT_EQ(back.length, 8);
  EXPECT_EQ(back.frames()[7], 8);
  // A frame count larger than the data holds allocates nothing for it.
  bytes lying = s;
  riff::put_u32(lying.data() + 12, 0x7fffffff);
  files::read_smpl_chunk(riff::chunk_at(lying.data(), lying.size()), back);
  EXPECT_EQ(back.length, 0);
}

}  // namespace
