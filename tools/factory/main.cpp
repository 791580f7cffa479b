// vorn-factory: builds the factory bank from its text sources at build time.
//
//   vorn-factory SOUNDS_DIR OUT_DIR
//
// SOUNDS_DIR holds one "NNN-name.sound" per sound (NNN: the program slot,
// 000..127) and rigs/*.rig, instance set-ups without a sound of their own.
// OUT_DIR receives
//   Vorn Factory.vornbank          every sound in its slot, "Init" elsewhere
//   states/NNN Name.vornstate      the bank and a sound's instance settings
//                                  (inserts, globals, switches), for the
//                                  sounds that have any: a bank carries none
//   <Rig Name>.vornstate           the bank and a rig's settings
//   sounds.tsv                     slot, name, category and state file of
//                                  every sound, for the tests and scripts;
//                                  the Drums are played in drum mode, so
//                                  their state is the drum kit rig's
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "files/preset_files.h"
#include "riff/file_buffer.h"
#include "synth/engine.h"
#include "tools/factory/sound_build.h"
#include "tools/factory/sound_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* bank_name = "Vorn Factory";
// The Drums sounds play in drum mode: their state is this rig's.
constexpr const char* drum_category = "Drums";
constexpr const char* drum_kit_rig = "Vorn Drum Kit";
// What a musician browses by; a typo in a sound file fails the build.
const std::set<std::string> categories = {"Bass", "Lead", "Pad",   "Keys", "Pluck",
                                          "Brass", "Bells", "Drums", "FX",  "Arp"};

struct sound {
  fs::path file;
  int slot = -1;
  factory::sound_text text;
  std::string state;  // relative to OUT_DIR; empty when the bank is enough
};

bool fail(const fs::path& file, const std::string& why) {
  std::fprintf(stderr, "vorn-factory: %s: %s\n", file.string().c_str(), why.c_str());
  return false;
}

bool read_text(const fs::path& file, factory::sound_text& out) {
  riff::file_buffer in;
  if (!in.load(file.string())) return fail(file, "cannot read");
  std::string error;
  if (!factory::read_sound_text(in.text(), out, error)) return fail(file, error);
  return true;
}

std::vector<fs::path> text_files(const fs::path& dir, const char* extension) {
  std::vector<fs::path> out;
  if (!fs::is_directory(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() == extension) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// "012-deep-thump.sound" -> 12; -1 unless three digits and a dash lead.
int slot_of(const fs::path& file) {
  const std::string n = file.filename().string();
  if (n.size() < 4 || n[3] != '-') return -1;
  int slot = 0;
  for (int i = 0; i < 3; ++i) {
    if (n[size_t(i)] < '0' || n[size_t(i)] > '9') return -1;
    slot = slot * 10 + (n[size_t(i)] - '0');
  }
  return slot < synth::bank_size ? slot : -1;
}

bool check_sound(const sound& s, const std::set<int>& slots, const std::set<std::string>& names) {
  if (s.slot < 0) return fail(s.file, "the name must start with the slot, 000-127, and a dash");
  if (slots.count(s.slot)) return fail(s.file, "slot " + std::to_string(s.slot) + " taken twice");
  if (names.count(s.text.name)) return fail(s.file, "the name \"" + s.text.name + "\" is taken");
  if (s.text.name.size() > synth::preset_name_max) return fail(s.file, "name longer than 63 characters");
  if (!categories.count(s.text.category)) return fail(s.file, "unknown category \"" + s.text.category + "\"");
  return true;
}

bool read_sounds(const fs::path& dir, std::vector<sound>& out, synth::bank& bank) {
  std::set<int> slots;
  std::set<std::string> names;
  for (const fs::path& file : text_files(dir, ".sound")) {
    sound s;
    s.file = file;
    s.slot = slot_of(file);
    if (!read_text(file, s.text) || !check_sound(s, slots, names)) return false;
    std::string error;
    if (!factory::build_preset(s.text, bank.slots[size_t(s.slot)], error)) return fail(file, error);
    slots.insert(s.slot);
    names.insert(s.text.name);
    out.push_back(std::move(s));
  }
  if (out.empty()) return fail(dir, "no sounds");
  return true;
}

// A fresh engine holding the bank, with the settings of `text` applied, saved.
bool write_state(const synth::bank& bank, const factory::sound_text& text, const fs::path& file,
                 const fs::path& path) {
  auto engine = std::make_unique<synth::synth>();
  files::apply_bank(*engine, bank);
  std::string error;
  if (!factory::apply_instance(text, *engine, error)) return fail(file, error);
  fs::create_directories(path.parent_path());
  const std::string result = files::save_state_file(path.string(), *engine);
  if (!result.empty() || !fs::exists(path)) return fail(path, "cannot save: " + result);
  return true;
}

bool write_rigs(const fs::path& dir, const synth::bank& bank, const fs::path& out) {
  for (const fs::path& file : text_files(dir, ".rig")) {
    factory::sound_text rig;
    if (!read_text(file, rig)) return false;
    if (!rig.preset.empty()) return fail(file, "a rig sets no preset parameters (put them under [Instance])");
    if (!write_state(bank, rig, file, out / (rig.name + ".vornstate"))) return false;
  }
  return true;
}

bool write_index(const std::vector<sound>& sounds, const fs::path& path) {
  std::string text = "slot\tname\tcategory\tstate\n";
  for (const sound& s : sounds)
    text += std::to_string(s.slot) + "\t" + s.text.name + "\t" + s.text.category + "\t" + s.state + "\n";
  riff::file_buffer f;
  f.assign(text.data(), text.size());
  if (!f.store(path.string())) return fail(path, "cannot save");
  return true;
}

std::string state_name(const sound& s) {
  char number[8];
  std::snprintf(number, sizeof number, "%03d", s.slot);
  return std::string("states/") + number + " " + s.text.name + ".vornstate";
}

// The state each sound plays in: the drum kit for the Drums, its own for a
// sound with instance settings, none (the bank alone) otherwise.
bool write_sound_states(std::vector<sound>& sounds, const synth::bank& bank, const fs::path& out) {
  const std::string kit = std::string(drum_kit_rig) + ".vornstate";
  for (sound& s : sounds) {
    if (s.text.category == drum_category) {
      if (factory::needs_instance(s.text)) return fail(s.file, "a drum sound plays in the drum kit's instance");
      if (!fs::exists(out / kit)) return fail(s.file, "no rig named \"" + std::string(drum_kit_rig) + "\"");
      s.state = kit;
    } else if (factory::needs_instance(s.text)) {
      s.state = state_name(s);
      if (!write_state(bank, s.text, s.file, out / s.state)) return false;
    }
  }
  return true;
}

bool run(const fs::path& sounds_dir, const fs::path& out) {
  auto bank = std::make_unique<synth::bank>();
  bank->name = bank_name;
  for (synth::preset& p : bank->slots) synth::build_factory_init(p);
  std::vector<sound> sounds;
  if (!read_sounds(sounds_dir, sounds, *bank)) return false;
  fs::create_directories(out);
  fs::remove_all(out / "states");  // a renamed sound leaves no stale state behind
  const fs::path bank_path = out / (std::string(bank_name) + ".vornbank");
  if (!files::save_bank_file(bank_path.string(), *bank).empty() || !fs::exists(bank_path))
    return fail(bank_path, "cannot save");
  if (!write_rigs(sounds_dir / "rigs", *bank, out) || !write_sound_states(sounds, *bank, out) ||
      !write_index(sounds, out / "sounds.tsv"))
    return false;
  std::printf("vorn-factory: %zu sounds in \"%s\"\n", sounds.size(), bank_path.string().c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vorn-factory SOUNDS_DIR OUT_DIR\n");
    return 2;
  }
  return run(argv[1], argv[2]) ? 0 : 1;
}
