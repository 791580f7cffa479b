// Fuzz target: the editor's command channel with hostile records. Each
// 12-byte record of the input is one command: its number, index, value,
// integer argument and a text picked from a set of awkward ones (none,
// empty, very long, missing folders, a folder, damaged files, songs, effect
// names); now and then a block is processed in between. Every command must
// keep to its bounds, and what it hands back (texts, rows, maps) must be
// readable.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/synth_command.h"
#include "plugin/vst2/synth_plugin.h"
#include "plugin/vst2/vst2.h"

namespace {

constexpr size_t record_size = 12;

std::string scratch;

void write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(scratch + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         std::streamsize(bytes.size()));
}

// The scratch folder and its files, made once; the instance's data folder
// (start-up files, user presets) lies inside it too.
std::vector<std::string> make_texts() {
  char pattern[] = "/tmp/vorn-command-fuzz-XXXXXX";
  scratch = std::string(mkdtemp(pattern) ? pattern : "/tmp") + "/";
  ::mkdir((scratch + "data").c_str(), 0755);
  ::mkdir((scratch + "folder").c_str(), 0755);
  setenv("VORN_DATA_DIR", (scratch + "data/").c_str(), 1);
  std::vector<uint8_t> song = {'K', 'V', 'X', '1', 1, 255, 2, 1, 's', 0};
  song.resize(32 + 400, 0x9B);
  write_file("song.kvxs", song);
  write_file("module.ahx", {'T', 'H', 'X', 0, 0, 0x10, 0x80, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  write_file("junk.ahx", {'T', 'H', 'X', 1, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF});
  write_file("empty.wav", {});
  write_file("list.wavs", {'e', 'm', 'p', 't', 'y', '.', 'w', 'a', 'v', '\n', '.', '.', '/', 'x'});
  return {"",
          std::string(4000, 'x'),
          scratch + "folder",
          scratch + "missing/dir/file.vornpreset",
          scratch + "saved.vornpreset",
          scratch + "saved.vornbank",
          scratch + "saved.vornstate",
          scratch + "saved.vornmidiccmap",
          scratch + "song.kvxs",
          scratch + "module.ahx",
          scratch + "junk.ahx",
          scratch + "empty.wav",
          scratch + "list.wavs",
          "-",
          "Reverb",
          "Gate",
          "reverb",
          std::string(200, 'n')};
}

// The save commands given one of the relative names above (effect names and
// the like) would write into the folder the fuzzer runs in: they write into
// the scratch folder instead.
bool saves_file(int number) {
  namespace c = plugin::command;
  return number == c::save_preset || number == c::save_bank || number == c::save_state || number == c::save_cc_map;
}

int16_t s16(const uint8_t* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

// Reads what a command handed back, as the editor would; returns a value
// built from it so the reads cannot be left out.
size_t touch(const plugin::command_args& a, int number) {
  size_t seen = 0;
  if (a.text && number != plugin::command::held_notes) seen += std::strlen(a.text);
  if (number == plugin::command::held_notes && a.text) seen += size_t(a.text[127]);
  if (number == plugin::command::cc_map && a.pointer)
    seen += size_t(static_cast<const platform::relaxed<int32_t>*>(a.pointer)[127].load());
  if (number == plugin::command::route_row && a.pointer) {
    auto* row = static_cast<synth::route*>(a.pointer);
    row->dest_class = synth::route_dest_parameter;
    row->dest_index = int32_t(size_t(a.index) % 200);  // hostile: the route code bounds it
  }
  if (number == plugin::command::param_descriptor && a.pointer)
    seen += size_t(static_cast<const synth::param_info*>(a.pointer)->is_integer);
  return seen;
}

intptr_t VST_CALL quiet_host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> texts = make_texts();
  static plugin::synth_plugin* instance = [] {
    plugin::synth_plugin* p = plugin::synth_plugin::create(quiet_host);
    AEffect* e = p->effect();
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
    e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
    return p;
  }();
  static std::vector<float> left(256), right(256);
  const plugin::editor_link link = instance->editor_connection();
  size_t seen = 0;
  for (size_t at = 0; at + record_size <= size; at += record_size) {
    const uint8_t* r = data + at;
    plugin::command_args a;
    char out[plugin::command_text_capacity];
    float levels[2];
    const int number = r[0] % 90;
    a.index = s16(r + 1);
    std::memcpy(&a.value, r + 3, sizeof a.value);
    a.number = s16(r + 7);
    const int text = r[9] % int(texts.size() + 1);
    a.text = text == int(texts.size()) ? nullptr : texts[size_t(text)].c_str();
    std::string in_scratch;
    if (a.text && *a.text && *a.text != '/' && saves_file(number)) {
      in_scratch = scratch + a.text;
      a.text = in_scratch.c_str();
    }
    a.text_out = r[10] & 1 ? out : nullptr;
    if (number == plugin::command::output_levels) a.pointer = levels;
    link.command(&a, link.context, number);
    seen += touch(a, number);
    if (r[11] & 1) {
      float* outs[2] = {left.data(), right.data()};
      AEffect* e = instance->effect();
      e->processReplacing(e, nullptr, outs, 1 + r[11] % 255);
    }
  }
  return seen == size_t(-1) ? 1 : 0;
}
