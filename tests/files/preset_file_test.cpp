#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "files/legacy_files.h"
#include "files/preset_chunk.h"
#include "files/preset_files.h"
#include "files/vals_migration.h"
#include "riff/bytes.h"
#include "tests/files/files_support.h"
#include "tests/support/legacy_record.h"

namespace {

using test_support::legacy_record;

using files_test::bytes;
namespace p = synth::p;

synth::preset init_preset() {
  synth::preset x;
  synth::build_factory_init(x);
  return x;
}

bytes preset_bytes(const synth::preset& x) {
  return files_test::written([&](uint8_t* d) { return files::write_preset_chunk(d, x); });
}

// A "kvxi" with a "vals" of any version and value count.
bytes preset_with_vals(int32_t version, const std::vector<float>& values) {
  bytes vals(12 + 4 * values.size());
  std::memcpy(vals.data(), "vals", 4);
  riff::put_u32(vals.data() + 4, uint32_t(vals.size()));
  riff::put_u32(vals.data() + 8, uint32_t(version));
  for (size_t i = 0; i < values.size(); ++i) riff::put_f32(vals.data() + 12 + 4 * i, values[i]);
  bytes out = {'k', 'v', 'x', 'i', 0, 0, 0, 0};
  const bytes name = files_test::written([](uint8_t* d) { return riff::write_string_chunk(d, "n", "name"); });
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), vals.begin(), vals.end());
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  return out;
}

synth::preset read(const bytes& chunk) {
  synth::preset x = init_preset();
  EXPECT_TRUE(files::read_preset_chunk(riff::chunk_at(chunk.data(), chunk.size()), x));
  return x;
}

TEST(preset_chunk, sizes_and_round_trip) {
  synth::preset lead = init_preset();
  lead.name = "Lead";
  lead.category = "Bass";
  const bytes b = preset_bytes(lead);
  ASSERT_EQ(b.size(), 402u);
  EXPECT_EQ(riff::read_u32(b.data() + 4), 402u);
  EXPECT_EQ(riff::read_u32(b.data() + 12), 13u);         // "name"
  EXPECT_EQ(riff::read_u32(b.data() + 8 + 13 + 4), 13u);  // "ctgr"
  EXPECT_EQ(std::memcmp(b.data() + 34, "vals", 4), 0);
  EXPECT_EQ(riff::read_u32(b.data() + 38), 368u);
  EXPECT_EQ(riff::read_u32(b.data() + 42), 5u);

  synth::preset empty = init_preset();
  empty.name.clear();
  empty.category.clear();
  EXPECT_EQ(preset_bytes(empty).size(), 392u);

  const synth::preset back = read(b);
  EXPECT_EQ(back.name, "Lead");
  EXPECT_EQ(back.category, "Bass");
  EXPECT_EQ(back.values_version, 5);
  for (int i = 0; i < synth::preset_param_count; ++i) EXPECT_EQ(back.get(i), lead.get(i)) << i;
  EXPECT_EQ(preset_bytes(back), b);
}

TEST(preset_chunk, short_newer_and_out_of_range_values) {
  // Version 5 with 10 values: the rest become the table's defaults.
  const synth::preset ten = read(preset_with_vals(5, std::vector<float>(10, 0.25f)));
  EXPECT_EQ(ten.get(p::volume), 0.25f);
  EXPECT_EQ(ten.get(p::filter_frequency), synth::param_row(p::filter_frequency).def);
  EXPECT_EQ(ten.name, "n");
  // Version 6: values untouched, name and category replaced.
  const synth::preset newer = read(preset_with_vals(6, std::vector<float>(89, 0.f)));
  EXPECT_EQ(newer.get(p::volume), 0.75f);
  EXPECT_EQ(newer.name, "n");
  EXPECT_EQ(newer.category, "");
  // Waveforms are limited only below: 9 (a PCM wave) stays, -2 becomes 0.
  std::vector<float> values(89, 0.f);
  values[p::osc_a_waveform] = 9.f;
  values[p::osc_b_waveform] = -2.f;
  values[p::volume] = 7.f;
  values[p::filter_resonance] = NAN;
  const synth::preset limited = read(preset_with_vals(5, values));
  EXPECT_EQ(limited.get(p::osc_a_waveform), 9.f);
  EXPECT_EQ(limited.get(p::osc_b_waveform), 0.f);
  EXPECT_EQ(limited.get(p::volume), synth::param_row(p::volume).max);
  EXPECT_FALSE(std::isnan(limited.get(p::filter_resonance)));
}

TEST(vals_migration, taper_and_older_versions) {
  EXPECT_EQ(files::level_taper(-90.f), 0.f);
  EXPECT_EQ(files::level_taper(-120.f), 0.f);
  EXPECT_FLOAT_EQ(files::level_taper(-42.f), 0.0625f);
  EXPECT_FLOAT_EQ(files::level_taper(-33.f), 0.15625f);
  EXPECT_FLOAT_EQ(files::level_taper(0.f), 0.75f);
  EXPECT_FLOAT_EQ(files::level_taper(6.f), 0.875f);

  // Version 4: only glide time, LFO widths and levels unchanged beyond 3.
  std::vector<float> v(89, 0.5f);
  v[p::glide_time] = 0.2f;
  v[p::mod_a_shape] = 0.5f;
  v[p::mod_a_width] = 0.3f;
  const synth::preset v0 = read(preset_with_vals(4, v));
  EXPECT_FLOAT_EQ(v0.get(p::glide_time), 0.2f);
  const synth::preset v1 = read(preset_with_vals(0, v));  // all steps, normalised values
  EXPECT_EQ(v1.values_version, 0);
  // Glide time inverted, then scaled to its range.
  const synth::param_info& t = synth::param_row(p::glide_time);
  EXPECT_NEAR(v1.get(p::glide_time), t.min + 0.8f * (t.max - t.min), 1e-5);
  // FMod changes sign: a normalised 0.5 maps to the middle, then negated.
  const synth::param_info& f = synth::param_row(p::filter_fmod);
  EXPECT_NEAR(v1.get(p::filter_fmod), std::clamp(-(f.min + 0.5f * (f.max - f.min)), f.min, f.max), 1e-5);
  for (int i = 0; i < synth::preset_param_count; ++i) {
    const synth::param_info& r = synth::param_row(i);
    EXPECT_TRUE(std::isfinite(v1.get(i))) << i;
    if (i != p::osc_a_waveform && i != p::osc_b_waveform) {
      EXPECT_GE(v1.get(i), r.min) << i;
      EXPECT_LE(v1.get(i), r.max) << i;
    }
  }
}


TEST(legacy_files, record_conversions) {
  const synth::preset init = init_preset();
  synth::preset x;
  bytes values(89, 255);
  values[p::ringmod_level] = 0;
  values[p::shaper_depth] = 255;
  EXPECT_EQ(files::load_preset_data(legacy_record("KVXi", 1, "Old Lead", values).data(), 9 + 8 + 89, init, x), "");
  EXPECT_EQ(x.name, "Old Lead");
  EXPECT_EQ(x.category, "v6p1");
  const synth::param_info& depth = synth::param_row(p::shaper_depth);
  EXPECT_NEAR(x.get(p::shaper_depth), depth.max * 0.25f, 1e-5);

  // Ring modulation on: A takes 0.75 - B, B is silenced, the ring sits at 0.75.
  bytes ring(89, 0);
  ring[p::ringmod_level] = 255;
  ring[p::osc_b_level] = 51;  // 0.2 of the range
  const bytes r = legacy_record("KVXi", 0, "Ring", ring);
  EXPECT_EQ(files::load_preset_data(r.data(), r.size(), init, x), "");
  EXPECT_EQ(x.category, "v6p0");
  const synth::param_info& lb = synth::param_row(p::osc_b_level);
  EXPECT_NEAR(x.get(p::osc_a_level), 0.75f - (lb.min + 0.2f * (lb.max - lb.min)), 1e-5);
  EXPECT_EQ(x.get(p::osc_b_level), 0.f);
  EXPECT_EQ(x.get(p::ringmod_level), 0.75f);

  const bytes v7 = legacy_record("KVXi", 7, "Future", bytes(89, 0));
  EXPECT_EQ(files::load_preset_data(v7.data(), v7.size(), init, x), "unsupported version");
  EXPECT_EQ(x.name, "Future");
  // A record shorter than its values changes nothing.
  x.name = "kept";
  EXPECT_EQ(files::load_preset_data(r.data(), r.size() - 10, init, x), "truncated record");
  EXPECT_EQ(x.name, "kept");
  EXPECT_EQ(files::load_preset_data(r.data(), 3, init, x), "invalid preset chunk id");
}

TEST(bank_files, counts_slots_and_legacy_banks) {
  const synth::preset init = init_preset();
  auto bank = std::make_unique<synth::bank>();
  for (synth::preset& s : bank->slots) s = init;
  // A "list" count of 3: slots 0-2 and the name change, the rest stay.
  synth::preset lead = init;
  lead.name = "Lead";
  bytes chunk = {'k', 'v', 'x', 'b', 0, 0, 0, 0};
  const bytes name = files_test::written([](uint8_t* d) { return riff::write_string_chunk(d, "Mine", "name"); });
  chunk.insert(chunk.end(), name.begin(), name.end());
  chunk.insert(chunk.end(), {'l', 'i', 's', 't', 12, 0, 0, 0, 3, 0, 0, 0});
  for (int i = 0; i < 4; ++i) {  // one more than counted
    const bytes one = preset_bytes(lead);
    chunk.insert(chunk.end(), one.begin(), one.end());
  }
  riff::put_u32(chunk.data() + 4, uint32_t(chunk.size()));
  std::string message;
  EXPECT_EQ(files::load_bank_data(chunk.data(), chunk.size(), init, *bank, &message), "");
  EXPECT_EQ(message, "loaded bank \"Mine\"");
  EXPECT_EQ(bank->slots[2].name, "Lead");
  EXPECT_EQ(bank->slots[3].name, "Init");

  // A cut-short bank file is reported, and nothing is read from it.
  bytes cut(chunk.begin(), chunk.end() - 100);
  EXPECT_EQ(files::load_bank_data(cut.data(), cut.size(), init, *bank), "damaged bank chunk (file cut short?)");

  // Legacy: records fill 127, 126, ...; a version byte of 2 changes nothing.
  bytes legacy = {'K', 'V', 'X', 'b', 1, 0, 0, 0};
  for (const char* n : {"first", "second"}) {
    const bytes rec = legacy_record("KVXi", 0, n, bytes(89, 0));
    legacy.insert(legacy.end(), rec.begin(), rec.end());
  }
  EXPECT_EQ(files::load_bank_data(legacy.data(), legacy.size(), init, *bank, &message), "");
  EXPECT_EQ(message, "loaded KVXb ?");
  EXPECT_EQ(bank->name, "old format (unnamed)");
  EXPECT_EQ(bank->slots[127].name, "first");
  EXPECT_EQ(bank->slots[126].name, "second");
  EXPECT_EQ(bank->slots[125].name, "Init");
  bank->name = "unchanged";
  legacy[4] = 2;
  EXPECT_EQ(files::load_bank_data(legacy.data(), legacy.size(), init, *bank), "version != 1");
  EXPECT_EQ(bank->name, "unchanged");
  EXPECT_EQ(bank->slots[127].name, "first");
}

TEST(preset_files, save_load_and_user_presets) {
  synth::preset lead = init_preset();
  lead.name = "Lead";
  const std::string path = files_test::scratch("lead.vornpreset");
  EXPECT_EQ(files::save_preset_file(path, lead), "saved preset");
  synth::preset back;
  EXPECT_EQ(files::load_preset_file(path, back), "loaded preset ?");
  EXPECT_EQ(back.name, "Lead");
  EXPECT_EQ(files::load_preset_file(files_test::scratch("none.vornpreset"), back),
            "couldn't access file (invalid path/filename?)");
  files_test::write_bytes(files_test::scratch("junk.vornpreset"), {'j', 'u', 'n', 'k'});
  EXPECT_EQ(files::load_preset_file(files_test::scratch("junk.vornpreset"), back), "invalid preset chunk id");
  EXPECT_EQ(files::save_preset_file(files_test::scratch("no/dir/x.vornpreset"), lead),
            "couldn't write file (invalid path/filename or no access?)");

  // The user's init preset is what legacy records start from.
  synth::preset mine = init_preset();
  mine.set(p::filter_frequency, 0.125f);
  ASSERT_EQ(files::save_user_preset("init", mine), "");
  EXPECT_EQ(files::user_init_preset().get(p::filter_frequency), 0.125f);
  std::filesystem::remove(files_test::data_dir() + "init.vornpreset");
  EXPECT_EQ(files::user_init_preset().get(p::filter_frequency), init_preset().get(p::filter_frequency));
}

TEST(preset_files, randomise_keeps_volume_and_panning) {
  synth::preset x = init_preset();
  const float volume = x.get(p::volume), pan = x.get(p::panning);
  int changed = 0;
  files::randomise_preset(x);
  for (int i = 0; i < synth::preset_param_count; ++i) {
    const synth::param_info& r = synth::param_row(i);
    EXPECT_GE(x.get(i), r.min);
    EXPECT_LE(x.get(i), r.max);
    if (r.is_integer) {
      EXPECT_EQ(x.get(i), std::floor(x.get(i))) << i;
    }
    changed += x.get(i) != init_preset().get(i);
  }
  EXPECT_EQ(x.get(p::volume), volume);
  EXPECT_EQ(x.get(p::panning), pan);
  EXPECT_GT(changed, 40);
}

}  // namespace
