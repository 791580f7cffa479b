#include "editor/actions.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "editor/controller_names.h"
#include "editor/edit_snapshot.h"
#include "files/preset_names.h"
#include "guilib/widgets/dialogs.h"
#include "platform/app_data_dir.h"
#include "platform/factory_dir.h"
#include "synth/param_table.h"

namespace gui {

namespace {

namespace cmd = plugin::command;
using handler = void (*)(action_env&, const menu_choice&);

// --- helpers -------------------------------------------------------------------------

const char* const load_state_warning =
    "Loading a state will overwrite 100% of the state of the current instance.\nThis includes all presets, PCM, CC "
    "map, routing, effects, background\nand other global parameters.\n\nSave your state first before you lose it!";

std::string file_name_of(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ends_with_nocase(const std::string& s, const std::string& ext) {
  if (s.size() < ext.size()) return false;
  return std::equal(ext.begin(), ext.end(), s.end() - long(ext.size()),
                    [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
}

// A text of one or two lines ("Loaded wave\nPATH") into the display.
void say_lines(action_env& env, const std::string& text) {
  const size_t nl = text.find('\n');
  if (nl == std::string::npos) return env.say(text, "");
  env.say(text.substr(0, nl), text.substr(nl + 1));
}

int current(action_env& env) { return env.port.program(); }

int send_path(action_env& env, int number, const std::string& path, std::string& result) {
  plugin::command_args a;
  a.text = path.c_str();
  const int r = env.port.send(number, a);
  result = a.result;
  return r;
}

void confirm(action_env& env, const std::string& warning, std::function<void()> then,
             std::function<void()> cancelled = nullptr) {
  show_message(env.root, env.style, "Confirm", confirmation_text(warning), true,
               [then = std::move(then), cancelled = std::move(cancelled)](bool ok) {
                 if (ok) then();
                 else if (cancelled) cancelled();
               });
}

// The folders every file dialog offers: the factory content and the user's data.
std::vector<file_place> file_places() {
  std::vector<file_place> places;
  if (const std::string factory = platform::factory_dir(); !factory.empty()) places.push_back({"Factory", factory});
  if (const std::string& user = platform::app_data_dir(); !user.empty()) places.push_back({"User", user});
  return places;
}

// A preset or bank name offered as a file name: separators and the
// characters Windows refuses become "_", trailing blanks go.
std::string offered_file_name(std::string name) {
  for (char& c : name)
    if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos || (unsigned char)c < 32) c = '_';
  return tidy_file_name(name);
}

// A file dialog; on a choice, done(path). Saves get the extension appended.
void ask(action_env& env, bool save, const char* title, const char* filter, const std::string& initial,
         const std::string& ext, std::function<void(const std::string&)> done) {
  ask_file(env.root, env.style, {save, title, filter, initial, file_places()},
           [save, ext, done = std::move(done)](bool chosen, const std::string& path) {
             if (chosen) done(save && !ext.empty() ? with_extension(path, ext) : path);
           });
}

// Runs f as one undo step covering parts of the instance.
template <typename F>
void as_step(action_env& env, uint32_t parts, const std::string& label, F&& f) {
  if (parts == 0 || !env.begin_step || !env.end_step) return f();
  env.begin_step(parts, label);
  f();
  env.end_step();
}

void forget_history(action_env& env) {
  if (env.forget_history) env.forget_history();
}

int next_random() {
  static uint32_t state = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()) | 1u;
  state = state * 1664525u + 1013904223u;  // the Numerical Recipes LCG
  return int(state >> 1);
}

// --- loads and saves -----------------------------------------------------------------

// A save through its dialog: the command with the chosen path, then the
// outcome and the command's text (or the file's name).
struct save_kind {
  const char* title;
  const char* filter;
  const char* extension;
  int command;
  const char* saved;
  const char* failed;
};

void save_file(action_env& env, const save_kind& k, const std::string& offered_name) {
  const std::string name = offered_file_name(offered_name);
  const std::string initial = name.empty() ? "" : name + k.extension;
  ask(env, true, k.title, k.filter, initial, k.extension, [&env, k](const std::string& path) {
    std::string result;
    send_path(env, k.command, path, result);
    env.say(outcome_ok(result) ? k.saved : k.failed, result.empty() ? file_name_of(path) : result);
  });
}

void save_preset(action_env& env, const menu_choice&) {
  save_file(env, {"Save Preset", "Vorn Preset\t*.vornpreset\t", ".vornpreset", cmd::save_preset, "Saved preset",
                  "Save failed"},
            env.port.preset_name());
}

void save_bank(action_env& env, const menu_choice&) {
  save_file(env, {"Save Bank", "Vorn Bank\t*.vornbank\t", ".vornbank", cmd::save_bank, "Saved bank",
                  "Save bank failed"},
            env.port.bank_name());
}

void save_state(action_env& env, const menu_choice&) {
  save_file(env, {"Save State", "Vorn State\t*.vornstate\t", ".vornstate", cmd::save_state, "Saved state",
                  "Save state failed"},
            "");
}

void load_preset(action_env& env, const menu_choice&) {
  ask(env, false, "Load Preset", "Vorn Preset\t*.vornpreset;*.kvxi\t", "", "", [&env](const std::string& path) {
    std::string result;
    as_step(env, edit_part::program, "Load preset", [&] { send_path(env, cmd::load_preset, path, result); });
    env.presets_changed();
    if (outcome_ok(result)) {
      // The loader's text ends in a "?" where the name belongs.
      if (result.size() >= 2 && result.compare(result.size() - 2, 2, " ?") == 0)
        result = result.substr(0, result.size() - 1) + "\"" + env.port.preset_name() + "\"";
      env.say("Loaded preset", result);
    } else if (result.find("unsupported version") != std::string::npos) {
      env.say("Load preset failed!", "Unsupported KVXI version.");
    } else {
      env.say("Load preset failed!", result.empty() ? "Error unknown." : result);
    }
  });
}

void load_bank(action_env& env, const menu_choice&) {
  ask(env, false, "Load Bank", "Vorn Bank\t*.vornbank;*.kvxb\t", "", "", [&env](const std::string& path) {
    if (!ends_with_nocase(path, ".vornbank") && !ends_with_nocase(path, ".kvxb"))
      return env.say("Wrong filetype/extension", file_name_of(path));
    std::string result;
    as_step(env, edit_part::bank, "Load bank", [&] { send_path(env, cmd::load_bank, path, result); });
    env.presets_changed();
    env.say(outcome_ok(result) ? "Load bank" : "Load bank failed", result);
  });
}

void load_state(action_env& env, const menu_choice&) {
  confirm(
      env, load_state_warning,
      [&env] {
        ask(env, false, "Load State", "Vorn State\t*.vornstate\t", "", "", [&env](const std::string& path) {
          if (!ends_with_nocase(path, ".vornstate")) return env.say("Wrong filetype/extension", file_name_of(path));
          std::string result;
          send_path(env, cmd::load_state, path, result);
          forget_history(env);
          env.presets_changed();
          env.say(outcome_ok(result) ? "Loaded state" : "Load state failed", result);
        });
      },
      [&env] { env.say("Cancelled", ""); });
}

// A Scala scale, or a keyboard mapping for the loaded scale; the display
// shows the scale's description line.
void load_tuning(action_env& env, const menu_choice&) {
  ask(env, false, "Load Tuning", "Scala Tuning\t*.scl;*.kbm\t", "", "", [&env](const std::string& path) {
    std::string result;
    if (send_path(env, cmd::load_tuning, path, result) != 0)
      return env.say("Load tuning failed!", result.empty() ? "Error unknown." : result);
    plugin::command_args a;
    char name[plugin::command_text_capacity] = {};
    a.text_out = name;
    env.port.send(cmd::tuning_name, a);
    env.say("Loaded tuning", name[0] ? std::string(name) : file_name_of(path));
  });
}

void reset_tuning(action_env& env, const menu_choice&) {
  env.port.send(cmd::reset_tuning);
  env.say("Reset tuning", "12-tone equal temperament");
}

void load_wave(action_env& env, const menu_choice&) {
  ask(env, false, "Load Wave[s]", "RIFF WAVE\t*.wav;*.wavs\t", "", "", [&env](const std::string& path) {
    std::string result;
    send_path(env, cmd::load_wave, path, result);
    env.presets_changed();
    say_lines(env, result);
  });
}

void load_sequence(action_env& env, const menu_choice&) {
  ask(env, false, "Load Sequence", "Zelktracker;Amiga Highest eXperience;\t*.kvxs;*.ahx;\t", "", "",
      [&env](const std::string& path) {
        if (!ends_with_nocase(path, ".kvxs") && !ends_with_nocase(path, ".ahx"))
          return env.say("Load sequence failed", "Wrong filetype/extension");
        std::string result;
        const int r = send_path(env, cmd::load_sequence, path, result);
        forget_history(env);
        env.presets_changed();
        if (r != 0 && r != 2) return env.say("Load sequence failed", result.empty() ? "Error unknown." : result);
        env.say("Loaded sequence", env.port.bank_name());
      });
}

void start_stop_sequence(action_env& env, const menu_choice&) { env.port.send(cmd::start_stop_sequence); }

void sequence_loop(action_env& env, const menu_choice& c) {
  struct loop {
    const char* item;
    int32_t limit;
  };
  static constexpr loop loops[] = {{"off", 0}, {"one", 1}, {"three", 3}, {"infinite", -1}};
  const std::string item = menu_path_name(c.text);
  for (const loop& l : loops) {
    if (item != l.item) continue;
    plugin::command_args a;
    a.number = l.limit;
    env.port.send(cmd::sequence_loop, a);
    return env.say("Set sequencer loop mode to", c.text);
  }
  show_message(env.root, env.style, "gui::sequence_set_loops()", "Implementation missing!", false, nullptr);
}

// --- the user's init files and the factory presets --------------------------------------

// parts: what the command changes (edit_snapshot.h), 0 for nothing (saves).
template <int number, const char* const* text, uint32_t parts>
void simple(action_env& env, const menu_choice&) {
  as_step(env, parts, *text, [&] { env.port.send(number, current(env)); });
  if (parts != 0) env.presets_changed();
  env.say(*text, "");
}

const char* const saved_init_preset = "Saved as user init preset";
const char* const saved_reset_preset = "Saved as user reset preset";
const char* const saved_init_state = "Saved init state";
const char* const saved_init_bank = "Saved to init bank";
const char* const loaded_init_preset = "Loaded user init preset";
const char* const loaded_reset_preset = "Loaded user reset preset";
const char* const loaded_factory_init = "Loaded factory init preset";
const char* const loaded_factory_reset = "Loaded factory reset preset";
const char* const loaded_init_bank = "Loaded init bank";

void load_init_state(action_env& env, const menu_choice&) {
  confirm(
      env, load_state_warning,
      [&env] {
        env.port.send(cmd::load_start_state);
        forget_history(env);
        env.presets_changed();
        env.say("Loaded init state", "");
      },
      [&env] { env.say("Cancelled", ""); });
}

// --- the bank --------------------------------------------------------------------------------

template <int number, const char* const* warning, const char* const* line0, const char* const* line1>
void bank_wide(action_env& env, const menu_choice&) {
  confirm(env, *warning, [&env] {
    as_step(env, edit_part::bank, *line0, [&] { env.port.send(number, current(env)); });
    env.presets_changed();
    env.say(*line0, *line1);
  });
}

const char* const fill_init_warning = "This will fill all presets in the bank with the init preset.";
const char* const fill_selected_warning = "This will fill all presets in the bank with the currently selected preset.";
const char* const filled_text = "Filled bank with init preset";
const char* const rename_warning = "This will rename all presets in the bank as in general MIDI.";
const char* const renamed_text = "Renamed bank";
const char* const gm_melodic = "GM Melodic";
const char* const gm_drums = "GM Drums";
const char* const no_text = "";

// Command 50 sorts the bank: index 0 by name within each category, 1 the
// categories in order with their presets by name.
void sort_bank(action_env& env, int32_t order, const char* warning, const char* done) {
  confirm(env, warning, [&env, order, done] {
    as_step(env, edit_part::bank, done, [&] { env.port.send(cmd::sort_bank, order); });
    env.presets_changed();
    env.say(done, "Preset order may have changed.");
  });
}

void sort_by_category(action_env& env, const menu_choice&) {
  sort_bank(env, 1,
            "This will sort each category alphabetically by name.\nPresets will then appear in the bank in sequence "
            "by category.",
            "Categories sorted alphabetically!");
}

void sort_by_name(action_env& env, const menu_choice&) {
  sort_bank(env, 0, "This will sort presets within each category alphabetically by preset name.",
            "Bank sorted alphabetically within categories!");
}

void randomize_preset(action_env& env, const menu_choice&) {
  as_step(env, edit_part::program, "Randomize preset", [&] { env.port.send(cmd::randomise_preset, current(env)); });
  env.presets_changed();
}

void randomize_bank(action_env& env, const menu_choice&) {
  as_step(env, edit_part::bank, "Randomize bank", [&] {
    for (int i = 0; i < synth::bank_size; ++i) env.port.send(cmd::randomise_preset, i);
  });
  env.presets_changed();
}

void set_name(action_env& env, int slot, const std::string& name, bool category) {
  plugin::command_args a;
  a.index = slot;
  a.text = name.c_str();
  env.port.send(cmd::set_preset_name, a);
  if (!category) return;
  plugin::command_args c;
  c.index = slot;
  c.text = "random";
  env.port.send(cmd::set_preset_category, c);
}

void random_preset_name(action_env& env, const menu_choice&) {
  const files::name_words words = files::load_name_words();
  const std::string name = files::random_name(words, next_random);
  if (name.empty()) return env.say("Can't generate names", "No struct.txt available");
  as_step(env, edit_part::program, "Random preset name", [&] { set_name(env, current(env), name, false); });
  env.presets_changed();
  env.say(name, "");
}

void random_bank_names(action_env& env, const menu_choice&) {
  const files::name_words words = files::load_name_words();
  if (words.structures.lines.empty()) return env.say("Can't generate names", "No struct.txt available");
  std::string first, last;
  as_step(env, edit_part::bank, "Random bank names", [&] {
    for (int i = 0; i < synth::bank_size; ++i) {
      const std::string name = files::random_name(words, next_random);
      set_name(env, i, name, true);
      if (i == 0) first = name;
      last = name;
    }
  });
  env.presets_changed();
  env.say("Generated 128 random names from " + platform::app_data_dir(), "'" + first + "' to '" + last + "'");
}

// --- PCM -------------------------------------------------------------------------------------------

void pcm_clear(action_env& env, const menu_choice&) {
  confirm(env, "This will clear all PCM data which will then be unrecoverable!", [&env] {
    env.port.send(cmd::clear_waves);
    env.presets_changed();
    env.say("Cleared PCM data", "");
  });
}

// The chosen entry of a populated PCM list: the wave with that index.
void pcm_replace(action_env& env, const menu_choice& c) {
  if (!c.dynamic || c.dynamic_index < 0) return;
  const int32_t wave = c.dynamic_index;
  ask(env, false, "Load Wave[s]", "RIFF WAVE\t*.wav\t", "", "", [&env, wave](const std::string& path) {
    plugin::command_args a;
    a.index = wave;
    a.text = path.c_str();
    env.port.send(cmd::replace_wave, a);
    env.presets_changed();
    say_lines(env, a.result);
  });
}

void pcm_remove(action_env& env, const menu_choice& c) {
  if (!c.dynamic || c.dynamic_index < 0) return;
  plugin::command_args a;
  a.index = c.dynamic_index;
  env.port.send(cmd::remove_wave, a);
  env.presets_changed();
  env.say("Removed PCM wave", c.text);
}

// --- the controller map ------------------------------------------------------------------------

void cc_learn(action_env& env, const menu_choice&) {
  env.start_learning();
  env.say("Move a GUI control to select that control for mapping,", "then adjust CC to map to control.");
}

std::string mapping_text(const synth_port& port, int32_t controller, int32_t parameter) {
  char text[160];
  std::snprintf(text, sizeof text, "%s (%i) to %s (%i)", controller_name(controller).c_str(), controller,
                port.full_name(parameter).c_str(), parameter);
  return text;
}

const platform::relaxed<int32_t>* cc_map_of(const synth_port& port) {
  plugin::command_args a;
  port.send(cmd::cc_map, a);
  return static_cast<const platform::relaxed<int32_t>*>(a.pointer);
}

void cc_remove(action_env& env, const menu_choice& c) {
  if (!c.dynamic || c.dynamic_index < 0) return;
  const platform::relaxed<int32_t>* map = cc_map_of(env.port);
  if (!map) return env.say("Error in gui::populate_menu_ccmap_remove()", "vf::get_cc_map() returned null!");
  int32_t seen = 0;
  for (int32_t cc = 0; cc < 128; ++cc) {
    const int32_t p = map[cc];
    if (p < 0 || seen++ != c.dynamic_index) continue;
    env.port.send(cmd::unmap_controller, cc);
    return env.say("Removed CC Mapping", mapping_text(env.port, cc, p));
  }
}

void cc_clear(action_env& env, const menu_choice&) {
  confirm(env, "This will erase the current CC map. All learned parameters will be cleared.", [&env] {
    env.port.send(cmd::clear_cc_map);
    env.say("Cleared CC Map", "");
  });
}

void cc_file(action_env& env, bool save) {
  const char* title = save ? "Save MIDI CC map" : "Load MIDI CC map";
  // Both dialogs see to the extension: a map is known by it.
  ask(env, save, title, "Vorn MIDICCMAP\t*.vornmidiccmap\t", "", "", [&env, save, title](const std::string& chosen) {
    const std::string path = with_extension(chosen, ".vornmidiccmap");
    std::string result;
    send_path(env, save ? cmd::save_cc_map : cmd::load_cc_map, path, result);
    if (result.empty()) return env.say(title, file_name_of(path));
    env.say(std::string(title) + " failed", result);
  });
}

void cc_save(action_env& env, const menu_choice&) { cc_file(env, true); }
void cc_load(action_env& env, const menu_choice&) { cc_file(env, false); }

// --- the tree ------------------------------------------------------------------------------------------

constexpr action_entry load_init[] = {
    {"preset", simple<cmd::load_init_preset, &loaded_init_preset, edit_part::program>, nullptr},
    {"bank", simple<cmd::load_start_bank, &loaded_init_bank, edit_part::bank>, nullptr},
    {"state", load_init_state, nullptr},
    {"reset", simple<cmd::load_reset_preset, &loaded_reset_preset, edit_part::program>, nullptr},
    {nullptr, nullptr, nullptr}};
constexpr action_entry load_factory[] = {
    {"init", simple<cmd::factory_init, &loaded_factory_init, edit_part::program>, nullptr},
    {"reset", simple<cmd::factory_reset, &loaded_factory_reset, edit_part::program>, nullptr},
    {nullptr, nullptr, nullptr}};
constexpr action_entry load_menu[] = {{"preset", load_preset, nullptr},  {"bank", load_bank, nullptr},
                                      {"state", load_state, nullptr},    {"init", nullptr, load_init},
                                      {"factory", nullptr, load_factory}, {"load tuning", load_tuning, nullptr},
                                      {"reset tuning", reset_tuning, nullptr}, {nullptr, nullptr, nullptr}};
constexpr action_entry save_init[] = {
    {"preset", simple<cmd::save_init_preset, &saved_init_preset, 0>, nullptr},
    {"bank", simple<cmd::save_start_bank, &saved_init_bank, 0>, nullptr},
    {"state", simple<cmd::save_start_state, &saved_init_state, 0>, nullptr},
    {"reset", simple<cmd::save_reset_preset, &saved_reset_preset, 0>, nullptr},
    {nullptr, nullptr, nullptr}};
constexpr action_entry save_menu[] = {{"preset", save_preset, nullptr}, {"bank", save_bank, nullptr},
                                      {"state", save_state, nullptr},   {"init", nullptr, save_init},
                                      {nullptr, nullptr, nullptr}};
constexpr action_entry randomize_menu[] = {{"preset name", random_preset_name, nullptr},
                                           {"bank names", random_bank_names, nullptr},
                                           {"preset", randomize_preset, nullptr},
                                           {"bank", randomize_bank, nullptr},
                                           {nullptr, nullptr, nullptr}};
constexpr action_entry bank_clear[] = {
    {"init", bank_wide<cmd::fill_with_init, &fill_init_warning, &filled_text, &no_text>, nullptr},
    {"selected", bank_wide<cmd::fill_with_preset, &fill_selected_warning, &filled_text, &no_text>, nullptr},
    {nullptr, nullptr, nullptr}};
constexpr action_entry bank_sort[] = {
    {"name", sort_by_name, nullptr}, {"category", sort_by_category, nullptr}, {nullptr, nullptr, nullptr}};
constexpr action_entry bank_rename[] = {
    {"gm melodic", bank_wide<cmd::gm_melodic_names, &rename_warning, &renamed_text, &gm_melodic>, nullptr},
    {"gm drums", bank_wide<cmd::gm_drum_names, &rename_warning, &renamed_text, &gm_drums>, nullptr},
    {nullptr, nullptr, nullptr}};
constexpr action_entry bank_menu[] = {{"clear", nullptr, bank_clear},
                                      {"sort", nullptr, bank_sort},
                                      {"rename", nullptr, bank_rename},
                                      {nullptr, nullptr, nullptr}};
constexpr action_entry pcm_menu[] = {{"load", load_wave, nullptr},       {"clear", pcm_clear, nullptr},
                                     {"replace", pcm_replace, nullptr},  {"remove", pcm_remove, nullptr},
                                     {nullptr, nullptr, nullptr}};
constexpr action_entry cc_menu[] = {{"learn", cc_learn, nullptr}, {"load", cc_load, nullptr},
                                    {"save", cc_save, nullptr},   {"remove", cc_remove, nullptr},
                                    {"clear", cc_clear, nullptr}, {nullptr, nullptr, nullptr}};
constexpr action_entry sequence_menu[] = {{"load", load_sequence, nullptr},
                                          {"start/stop", start_stop_sequence, nullptr},
                                          {"loop", sequence_loop, nullptr},
                                          {nullptr, nullptr, nullptr}};
constexpr action_entry top[] = {{"load", nullptr, load_menu},         {"save", nullptr, save_menu},
                                {"randomize", nullptr, randomize_menu}, {"bank", nullptr, bank_menu},
                                {"pcm", nullptr, pcm_menu},           {"cc map", nullptr, cc_menu},
                                {"sequence", nullptr, sequence_menu}, {nullptr, nullptr, nullptr}};

// The handler at a path, or null.
handler find_handler(const std::string& path) {
  const action_entry* level = top;
  size_t from = 0;
  while (level) {
    const size_t dot = path.find('.', from);
    const std::string name = path.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
    const action_entry* e = level;
    while (e->name && name != e->name) ++e;
    if (!e->name) return nullptr;
    if (dot == std::string::npos) return e->handler;
    level = e->children;
    from = dot + 1;
  }
  return nullptr;
}

}  // namespace

const action_entry* action_tree() { return top; }

std::string confirmation_text(const std::string& warning) {
  return "Are you sure you want to do this?\n\n" + warning + "\n\nOnce you hit OK there is no undo!";
}

bool outcome_ok(const std::string& result) {
  auto starts = [&](const char* w) {
    const std::string word(w);
    return result.size() >= word.size() &&
           std::equal(word.begin(), word.end(), result.begin(),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
  };
  return result.empty() || starts("loaded") || starts("saved");
}

std::string with_extension(const std::string& path, const std::string& ext) {
  if (path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0) return path;
  return path + ext;
}

bool notify_menu(action_env& env, const menu_choice& choice) {
  handler h = find_handler(choice.path);
  if (!h && !choice.level_path.empty()) h = find_handler(choice.level_path);
  if (!h) {
    env.say(unhandled_action_text, choice.path);
    return false;
  }
  h(env, choice);
  return true;
}

void add_menu_fillers(menu_populator& table, const synth_port& port) {
  table.add("cc map.remove", [&port](menu_adder& add) {
    const platform::relaxed<int32_t>* map = cc_map_of(port);
    if (!map) return add.item("vf::get_cc_map() returned null!", false);
    int32_t shown = 0;
    for (int32_t cc = 0; cc < 128; ++cc)
      if (const int32_t p = map[cc]; p >= 0) add.item(mapping_text(port, cc, p)), ++shown;
    if (shown == 0) add.item("No CC Mapped", false);
  });
  auto waves = [&port](menu_adder& add) {
    const int32_t n = port.send(cmd::pcm_count);
    for (int32_t i = 0; i < n; ++i) {
      plugin::command_args a;
      a.index = i;
      port.send(cmd::pcm_name, a);
      add.item(a.text ? a.text : "?");
    }
    if (n == 0) add.item("No PCM Loaded", false);
  };
  table.add("pcm.remove", waves);
  table.add("pcm.replace", waves);
}

}  // namespace gui
