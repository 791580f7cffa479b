// Writes the seed corpora of the file-format fuzz targets, one folder per
// target, with our own writers plus the edge cases each loader must handle:
//   fuzz_seed_writer OUT_DIR
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/instance_state.h"
#include "files/pcm_chunk.h"
#include "files/preset_chunk.h"
#include "files/state_controls.h"
#include "fx/chain.h"
#include "riff/bytes.h"
#include "riff/file_buffer.h"
#include "tests/support/kvx_builder.h"
#include "tests/support/legacy_record.h"
#include "tests/support/wave_builder.h"
#include "tools/ahx/module.h"
#include "tools/ahx/song_text.h"

namespace {

using test_support::legacy_record;

using bytes = std::vector<uint8_t>;
std::string out_dir;

void save(const char* target, const char* name, const bytes& data) {
  const std::string dir = out_dir + "/" + target;
  ::mkdir(out_dir.c_str(), 0755);
  ::mkdir(dir.c_str(), 0755);
  riff::file_buffer f;
  f.assign(data.data(), data.size());
  if (!f.store(dir + "/" + name)) {
    std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name);
    std::exit(1);
  }
}

template <typename Writer>
bytes written(Writer&& write) {
  bytes out(write(nullptr));
  write(out.data());
  return out;
}

synth::preset lead_bass() {
  synth::preset p;
  synth::build_factory_init(p);
  p.name = "Lead";
  p.category = "Bass";
  p.set(synth::p::osc_a_waveform, 6.f);
  return p;
}

bytes normalised_values() {
  bytes v(4 * synth::preset_param_count);
  for (int i = 0; i < synth::preset_param_count; ++i) riff::put_f32(v.data() + 4 * i, float(i % 10) / 10.f);
  return v;
}

// A "vals" of the given version with only `count` values.
bytes short_preset(int32_t version, int count) {
  bytes vals(12 + 4 * size_t(count));
  std::memcpy(vals.data(), "vals", 4);
  riff::put_u32(vals.data() + 4, uint32_t(vals.size()));
  riff::put_u32(vals.data() + 8, uint32_t(version));
  for (int i = 0; i < count; ++i) riff::put_f32(vals.data() + 12 + 4 * i, 0.25f);
  bytes name = written([](uint8_t* d) { return riff::write_string_chunk(d, "old", "name"); });
  bytes out = {'k', 'v', 'x', 'i', 0, 0, 0, 0};
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), vals.begin(), vals.end());
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  return out;
}

// A bank chunk of `count` presets (the writer always writes 128).
bytes small_bank(uint32_t count) {
  synth::preset p = lead_bass();
  bytes name = written([](uint8_t* d) { return riff::write_string_chunk(d, "seeds", "name"); });
  bytes out = {'k', 'v', 'x', 'b', 0, 0, 0, 0};
  out.insert(out.end(), name.begin(), name.end());
  bytes list = {'l', 'i', 's', 't', 12, 0, 0, 0, 0, 0, 0, 0};
  riff::put_u32(list.data() + 8, count);
  out.insert(out.end(), list.begin(), list.end());
  for (uint32_t i = 0; i < count; ++i) {
    bytes one = written([&](uint8_t* d) { return files::write_preset_chunk(d, p); });
    out.insert(out.end(), one.begin(), one.end());
  }
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  return out;
}

// A state from an engine with a route, mapped controllers and one sample,
// its bank cut to two presets so a replay stays quick.
bytes small_state(bool version0_ctrl) {
  auto engine = std::make_unique<synth::synth>();
  engine->set_route(0, files::make_route(2, 1, 1, synth::p::filter_frequency, 0, 0.5f));
  const synth::cc_pair pairs[] = {{1, synth::p::filter_frequency}, {74, synth::p::voices}};
  engine->controller_map().load(pairs, 2);
  synth::pcm_record rec;
  const int16_t frames[] = {0, 1000, -1000, 32767, -32768, 5};
  rec.assign(frames, 6);
  rec.name = "seed";
  rec.set_loop(1, 4, 0.f);
  rec.set_end_guards();
  engine->pcms().add(std::move(rec));
  engine->effects().set_effect(1, "Phaser");
  bytes full = written([&](uint8_t* d) { return files::write_state(d, *engine); });
  const riff::chunk_view vorn = riff::chunk_at(full.data(), full.size());
  const riff::chunk_view kvxb = riff::find_chunk(vorn, "kvxb");
  bytes out(full.begin(), full.begin() + (kvxb.data - full.data()));
  bytes bank = small_bank(2);
  out.insert(out.end(), bank.begin(), bank.end());
  out.insert(out.end(), full.begin() + (kvxb.data - full.data()) + kvxb.size, full.end());
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  if (version0_ctrl) {
    // The older "ctrl" without a "p_rt": bender route 1, scale 0.75.
    const riff::chunk_view ctrl = riff::find_chunk(riff::chunk_at(out.data(), out.size()), "ctrl");
    uint8_t* c = out.data() + (ctrl.data - out.data());
    riff::put_u32(c + 8, 0);
    riff::put_f32(c + 12 + 4 * 5, 1.f);
    riff::put_f32(c + 12 + 4 * 6, 0.75f);
    const riff::chunk_view routes = riff::find_chunk(riff::chunk_at(out.data(), out.size()), "p_rt");
    std::memcpy(out.data() + (routes.data - out.data()), "p_rx", 4);
  }
  return out;
}

void preset_seeds() {
  synth::preset init;
  synth::build_factory_init(init);
  save("preset_file", "init.vornpreset", written([&](uint8_t* d) { return files::write_preset_chunk(d, init); }));
  const synth::preset lb = lead_bass();
  save("preset_file", "lead.vornpreset", written([&](uint8_t* d) { return files::write_preset_chunk(d, lb); }));
  save("preset_file", "vals_v0_short.vornpreset", short_preset(0, 10));
  save("preset_file", "vals_v3.vornpreset", short_preset(3, 89));
  save("preset_file", "vals_v6.vornpreset", short_preset(6, 89));
  save("preset_file", "legacy_v1.vornpreset", legacy_record("KVXi", 1, "old one", bytes(89, 100)));
  save("preset_file", "legacy_v255.vornpreset", legacy_record("KVXi", 255, "older", normalised_values()));
  save("preset_file", "legacy_v7.vornpreset", legacy_record("KVXi", 7, "future", bytes(89, 1)));
}

void bank_seeds() {
  save("bank_file", "three.vornbank", small_bank(3));
  bytes legacy = {'K', 'V', 'X', 'b', 1, 0, 0, 0};
  for (const bytes& r : {legacy_record("KVXi", 0, "first", bytes(89, 7)),
                         legacy_record("KVXi", 255, "second", normalised_values())})
    legacy.insert(legacy.end(), r.begin(), r.end());
  save("bank_file", "legacy.vornbank", legacy);
  legacy[4] = 2;
  save("bank_file", "legacy_v2.vornbank", legacy);
}

void state_seeds() {
  const bytes state = small_state(false);
  save("state_chunk", "small.vornstate", state);
  save("state_chunk", "ctrl_v0.vornstate", small_state(true));
  bytes host = {0};
  host.insert(host.end(), state.begin(), state.end());
  save("host_chunk", "state.chunk", host);
  const synth::preset lb = lead_bass();
  bytes preset = {1};
  const bytes p = written([&](uint8_t* d) { return files::write_preset_chunk(d, lb); });
  preset.insert(preset.end(), p.begin(), p.end());
  save("host_chunk", "preset.chunk", preset);
  synth::cc_map map;
  const synth::cc_pair pairs[] = {{0, 0}, {7, synth::p::volume}, {127, synth::p::parameter_filter}};
  map.load(pairs, 3);
  bytes mdcc = written([&](uint8_t* d) { return files::write_cc_map_chunk(d, map); });
  save("cc_map_file", "three.vornmidiccmap", mdcc);
  riff::put_u32(mdcc.data() + 12, 200);  // a controller beyond 127
  save("cc_map_file", "cc200.vornmidiccmap", mdcc);
}

void wave_seeds() {
  using test_support::wave_builder;
  save("wave_file", "mono8.wav", wave_builder().format(1, 1, 22050, 8).data({0, 128, 255, 64}).bytes());
  save("wave_file", "stereo16_odd.wav",
       wave_builder().format(1, 2, 44100, 16).chunk("junk", {1, 2, 3}).data16({1, 2, 3, 4, -5, -6}).bytes());
  save("wave_file", "float_loop_title.wav",
       wave_builder()
           .format(3, 1, 48000, 32)
           .data_float({0.f, 0.5f, 1.f, -1.5f, 0.25f})
           .sampler(72, 0x80000000u, true, 1, 9)
           .title("Pad")
           .bytes());
  save("wave_file", "pcm24.wav", wave_builder().format(1, 1, 44100, 24).data({1, 2, 3, 4, 5, 6}).bytes());
  save("wave_file", "no_data.wav", wave_builder().format(1, 1, 44100, 16).bytes());
  save("wavs_list", "three.wavs", bytes{'a', '.', 'w', 'a', 'v', '\n', 'm', 'i', 's', 's', '.', 'w', 'a', 'v',
                                        '\r', '\n', '\r', '\n', 'b', '.', 'w', 'a', 'v'});
  const char words[] = "A N\nhappy\nan apple\nan pear\nV+ing I\nhurry+er\nmake+ed\n";
  save("word_list", "words.txt", bytes(words, words + sizeof words - 1));
}

}  // namespace

// Own sequence files of both generations: notes of every kind, commands,
// instruments of every waveform, samples of several widths and loops.
void kvx_seeds() {
  using test_support::kvx_cell;
  std::vector<kvx_cell> cells(64 * 3);
  for (int r = 0; r < 64; ++r) {
    cells[size_t(r * 3)] = {r % 4 ? 0 : (0x80 | (24 + r)), r % 8 ? -1 : r % 3, r % 5 ? -1 : (r * 7) % 64, r * 4};
    cells[size_t(r * 3 + 1)] = {109 + r % 3, -1, r % 2 ? 11 : 35, r % 2 ? 70 : 0};
  }
  save("kvx1_song", "three_channels.kvxs", test_support::kvx1_file(3, 140, 3, 1, "seed", cells));
  save("kvx1_song", "empty_patterns.kvxs", test_support::kvx1_file(6, 125, 16, 4, "sixteen channels", {}));

  test_support::kvx2_song k;
  k.flags = 3;
  k.name = "kvx2 seed";
  k.groups = 2;
  k.channels = 2;
  k.cells.resize(2 * 64 * 2);
  for (size_t i = 0; i < k.cells.size(); i += 3) k.cells[i] = {0x80 | int(20 + i % 80), int(i % 4), int(i % 40), int(i % 256)};
  k.positions = {0, 1, 1, 7};
  for (int w = 0; w < 10; ++w) {
    const std::string name(1, char('a' + w));
    k.instruments.push_back(test_support::kvx2_instrument(name, 40 + w * 20, w, w * 25));
  }
  test_support::kvx2_sample a;
  for (int i = 0; i < 64; ++i) a.values.push_back(i * 4);
  a.loop_flags = 1;
  a.loop_start = 8;
  a.loop_end = 60;
  test_support::kvx2_sample b;
  b.values = {1, 0, 1, 1, 0};
  b.bits = 1;
  b.loop_flags = 2;
  test_support::kvx2_sample c;
  c.values = {0x7FFF, 0x8000, 0};
  c.bits = 16;
  c.exponent = -2;
  k.samples = {a, b, c};
  save("kvx2_song", "instruments_and_samples.kvxs", test_support::kvx2_file(k));
  k.instruments.clear();
  save("kvx2_song", "end_marker.kvxs", test_support::kvx2_file(k));
}

// AHX modules: the bundled song (every feature it uses) and a small one with
// every track command and playlist effect.
void ahx_seeds(const char* demo_song) {
  riff::file_buffer text;
  ahx::module m;
  std::string error;
  if (!text.load(demo_song) || !ahx::parse_song_text(text.text(), m, error)) {
    std::fprintf(stderr, "cannot read %s: %s\n", demo_song, error.c_str());
    std::exit(1);
  }
  save("ahx_module", "demo_song.ahx", ahx::write_module(m));
  ahx::module all;
  all.rows = 16;
  all.restart = 1;
  all.subsongs = {1};
  all.positions = {{ahx::track_ref{1, 0}, {2, -12}, {0, 0}, {1, 24}}, {ahx::track_ref{2, 3}, {1, 0}, {1, 0}, {0, 0}}};
  all.tracks.assign(3, std::vector<ahx::row>(16));
  for (int r = 0; r < 16; ++r) {
    all.tracks[1][size_t(r)] = {1 + r * 3, 1 + r % 2, r, r * 17};
    all.tracks[2][size_t(r)] = {60 - r, r % 3, 0xE, r << 4 | r};
  }
  for (int i = 0; i < 2; ++i) {
    ahx::instrument in;
    in.wavelength = i * 5;
    in.filter_lower = 4, in.filter_upper = 50, in.filter_speed = 1 + i * 40;
    in.square_lower = 2, in.square_upper = 60, in.square_speed = 1;
    in.vibrato_depth = 9, in.vibrato_speed = 30, in.hard_cut_ticks = 3, in.hard_cut_release = i == 1;
    for (int e = 0; e < 8; ++e) {
      ahx::entry en;
      en.fx[0] = e;
      en.fx_param[0] = e == 5 ? 0 : 0x15 * e;
      en.fx[1] = 7 - e;
      en.fx_param[1] = 0x31;
      en.waveform = e % 5;
      en.fixed = e % 2;
      en.note = e * 7;
      in.playlist.push_back(en);
    }
    all.instruments.push_back(in);
  }
  save("ahx_module", "every_command.ahx", ahx::write_module(all));
}

// Command records (12 bytes: number, index, value, integer, text choice,
// text_out, process) that load songs and waves, save and load files, edit
// routes and slots and read the displays.
void command_seeds() {
  bytes records;
  auto add = [&](int number, int index, float value, int integer, int text, int flags) {
    bytes r(12, 0);
    r[0] = uint8_t(number);
    r[1] = uint8_t(index), r[2] = uint8_t(index >> 8);
    std::memcpy(r.data() + 3, &value, 4);
    r[7] = uint8_t(integer), r[8] = uint8_t(integer >> 8);
    r[9] = uint8_t(text);
    r[10] = uint8_t(flags);
    r[11] = uint8_t(flags >> 1);
    records.insert(records.end(), r.begin(), r.end());
  };
  add(56, 0, 0.f, 0, 8, 3);       // song.kvxs, processed
  add(58, 0, 0.f, 1, 18, 3);
  add(57, 0, 0.f, 0, 18, 3);
  add(56, 0, 0.f, 0, 9, 3);       // module.ahx
  add(56, 0, 0.f, 0, 10, 3);      // junk.ahx
  add(26, 0, 0.f, 0, 4, 1);       // save preset
  add(27, 0, 0.f, 0, 4, 1);
  add(29, 0, 0.f, 0, 5, 1);
  add(28, 0, 0.f, 0, 5, 3);
  add(31, 0, 0.f, 0, 6, 1);
  add(30, 0, 0.f, 0, 6, 3);
  add(34, 0, 0.f, 0, 12, 3);      // a wave list
  add(12, 41, 0.3f, 0, 18, 3);
  add(7, 73, 0.7f, 0, 18, 1);
  add(74, 3, 0.f, 0, 18, 1);
  add(75, 3, 0.f, 0, 18, 3);
  add(84, 1, 0.f, 0, 14, 3);      // Reverb
  add(83, 1, 0.f, 0, 18, 1);
  add(78, 0, 0.f, 0, 18, 1);
  add(85, 0, 0.f, 0, 18, 1);
  save("command_args", "session.bin", records);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seed_writer OUT_DIR DEMO_SONG.txt\n");
    return 2;
  }
  out_dir = argv[1];
  kvx_seeds();
  ahx_seeds(argv[2]);
  command_seeds();
  preset_seeds();
  bank_seeds();
  state_seeds();
  wave_seeds();
  return 0;
}
