// The menu actions: each chosen through the main menu as a user would, its
// file dialog answered and its confirmation taken or refused, and checked by
// the commands the editor sent (recorded on their way to the instance), by
// the texts of the display, and by what changed in the instance.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "editor/actions.h"
#include "editor/menu_strings.h"
#include "guilib/menu/menu_parser.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/scratch.h"
#include "tests/support/wave_builder.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
namespace cmd = plugin::command;

struct editor_actions : ::testing::Test {
  editor_instance e;
  fs::path dir = test_support::make_scratch_dir("vorn-editor-actions");

  void SetUp() override { ASSERT_TRUE(e.open()); }
  void TearDown() override { fs::remove_all(dir); }

  // Chooses a main-menu item (Shift held for the masked ones).
  void menu(const std::string& path, bool shift = true) {
    e.commands().clear();
    ASSERT_TRUE(e.choose(*e.view().main_menu, path, shift)) << path;
  }
  std::string file(const char* name) { return (dir / name).string(); }
  std::string name(int program = -1) { return e.editor().port().preset_name(program); }
  // The numbers of the last n commands sent (opening the main menu sends the
  // queries of its lists first).
  std::vector<int> last(size_t n) {
    const std::vector<int> all = e.command_numbers();
    return std::vector<int>(all.end() - long(std::min(n, all.size())), all.end());
  }
  void lines(const std::string& l0, const std::string& l1) {
    EXPECT_EQ(e.line(0), l0);
    EXPECT_EQ(e.line(1), l1);
  }
};

TEST_F(editor_actions, saving_and_loading_a_preset_round_trips_through_a_file) {
  e.view().name->set_text("Brass Wall");
  e.view().name->on_commit(*e.view().name);
  lines("Preset name set to:", "Brass Wall");
  menu("Save>Preset");
  ASSERT_TRUE(e.dialog_open());
  ASSERT_TRUE(e.answer_file(file("brass")));  // the extension is added
  EXPECT_TRUE(fs::exists(dir / "brass.vornpreset"));
  EXPECT_EQ(last(2), (std::vector<int>{cmd::preset_name, cmd::save_preset}));
  EXPECT_EQ(e.commands().back().text, file("brass.vornpreset"));
  EXPECT_EQ(e.line(0), "Saved preset");

  e.dispatch(effSetProgram, 0, 9);
  e.wait();
  menu("Load>Preset");
  ASSERT_TRUE(e.answer_file(file("brass.vornpreset")));
  EXPECT_TRUE(e.sent_command(cmd::load_preset));
  lines("Loaded preset", "loaded preset \"Brass Wall\"");
  EXPECT_EQ(name(9), "Brass Wall");
  EXPECT_EQ(e.view().name->str(), "Brass Wall");
  EXPECT_GT(e.host().display_updates, 0);

  std::ofstream(dir / "junk.vornpreset") << "not a preset";
  menu("Load>Preset");
  ASSERT_TRUE(e.answer_file(file("junk.vornpreset")));
  lines("Load preset failed!", "invalid preset chunk id");
}

TEST_F(editor_actions, banks_need_their_extension_and_report_the_loader_text) {
  menu("Save>Bank");
  ASSERT_TRUE(e.answer_file(file("mine")));
  EXPECT_EQ(last(2), (std::vector<int>{cmd::bank_name, cmd::save_bank}));
  EXPECT_EQ(e.line(0), "Saved bank");
  ASSERT_TRUE(fs::exists(dir / "mine.vornbank"));

  fs::copy_file(dir / "mine.vornbank", dir / "mine.txt");
  menu("Load>Bank");
  ASSERT_TRUE(e.answer_file(file("mine.txt")));
  EXPECT_EQ(e.line(0), "Wrong filetype/extension");
  EXPECT_FALSE(e.sent_command(cmd::load_bank));

  menu("Load>Bank");
  ASSERT_TRUE(e.answer_file(file("mine.vornbank")));
  EXPECT_TRUE(e.sent_command(cmd::load_bank));
  EXPECT_EQ(e.line(0), "Load bank");
  EXPECT_EQ(e.line(1).rfind("loaded bank", 0), 0u);
}

TEST_F(editor_actions, loading_a_state_asks_first_and_cancelling_sends_nothing) {
  menu("Save>State");
  ASSERT_TRUE(e.answer_file(file("all")));
  EXPECT_EQ(e.line(0), "Saved state");

  menu("Load>State");
  ASSERT_TRUE(e.dialog_open());
  EXPECT_NE(e.message_text().find("Are you sure you want to do this?"), std::string::npos);
  EXPECT_NE(e.message_text().find("Save your state first before you lose it!"), std::string::npos);
  EXPECT_NE(e.message_text().find("Once you hit OK there is no undo!"), std::string::npos);
  ASSERT_TRUE(e.answer_message(false));
  lines("Cancelled", "");
  EXPECT_FALSE(e.dialog_open());
  EXPECT_FALSE(e.sent_command(cmd::load_state));

  menu("Load>State");
  ASSERT_TRUE(e.answer_message(true));
  ASSERT_TRUE(e.answer_file(file("all.vornstate")));
  EXPECT_TRUE(e.sent_command(cmd::load_state));
  EXPECT_EQ(e.line(0), "Loaded state");

  // A file that is no state is refused, in the loader's words.
  std::ofstream(dir / "junk.vornstate") << "not a state, just some text";
  menu("Load>State");
  ASSERT_TRUE(e.answer_message(true));
  ASSERT_TRUE(e.answer_file(file("junk.vornstate")));
  EXPECT_TRUE(e.sent_command(cmd::load_state));
  lines("Load state failed", "invalid state chunk id");
}

TEST_F(editor_actions, confirmations_cancel_cleanly) {
  struct destructive {
    const char* path;
    int command;
  };
  const destructive all[] = {{"Bank>Clear>Init", cmd::fill_with_init},
                             {"Bank>Clear>Selected", cmd::fill_with_preset},
                             {"Bank>Rename>GM Melodic", cmd::gm_melodic_names},
                             {"Bank>Sort>Name", cmd::sort_bank},
                             {"CC Map>Clear", cmd::clear_cc_map},
                             {"PCM>Clear", cmd::clear_waves},
                             {"Load>Init>State", cmd::load_start_state}};
  const std::string first = name(0), last = name(127);
  for (const destructive& d : all) {
    SCOPED_TRACE(d.path);
    e.view().line0->set_text("before");
    menu(d.path);
    ASSERT_TRUE(e.dialog_open());
    EXPECT_NE(e.message_text().find("Are you sure you want to do this?"), std::string::npos) << e.message_text();
    ASSERT_TRUE(e.answer_message(false));
    EXPECT_FALSE(e.dialog_open());
    EXPECT_FALSE(e.sent_command(d.command));
  }
  EXPECT_EQ(name(0), first);
  EXPECT_EQ(name(127), last);
}

TEST_F(editor_actions, bank_wide_actions_send_their_command_after_ok_and_say_so) {
  menu("Bank>Rename>GM Melodic");
  EXPECT_NE(e.message_text().find("as in general MIDI"), std::string::npos);
  ASSERT_TRUE(e.answer_message(true));
  EXPECT_TRUE(e.sent_command(cmd::gm_melodic_names));
  lines("Renamed bank", "GM Melodic");
  EXPECT_EQ(name(8), "Celesta");

  menu("Bank>Rename>GM Drums");
  ASSERT_TRUE(e.answer_message(true));
  lines("Renamed bank", "GM Drums");

  e.dispatch(effSetProgram, 0, 3);
  menu("Bank>Clear>Selected");
  EXPECT_NE(e.message_text().find("currently selected"), std::string::npos);
  ASSERT_TRUE(e.answer_message(true));
  bool filled = false;
  for (const sent& s : e.commands()) filled |= s.number == cmd::fill_with_preset && s.index == 3;
  EXPECT_TRUE(filled);
  lines("Filled bank with init preset", "");
  EXPECT_EQ(name(100), name(3));
}

TEST_F(editor_actions, sorting_orders_the_bank_as_the_confirmation_says) {
  const char* names[] = {"delta", "Alpha", "charlie", "bravo"};
  const char* categories[] = {"Zq Pad", "Zq Lead", "Zq Pad", "Zq Lead"};
  for (int i = 0; i < 4; ++i) {
    plugin::command_args a;
    a.index = i;
    a.text = names[i];
    e.editor().port().send(cmd::set_preset_name, a);
    a.text = categories[i];
    e.editor().port().send(cmd::set_preset_category, a);
  }
  // Within categories: each category keeps its slots, its presets by name there.
  menu("Bank>Sort>Name");
  EXPECT_NE(e.message_text().find("within each category"), std::string::npos);
  ASSERT_TRUE(e.answer_message(true));
  lines("Bank sorted alphabetically within categories!", "Preset order may have changed.");
  EXPECT_EQ((std::vector<std::string>{name(0), name(1), name(2), name(3)}),
            (std::vector<std::string>{"charlie", "Alpha", "delta", "bravo"}));
  // By category: categories in order, presets by name within each.
  menu("Bank>Sort>Category");
  EXPECT_NE(e.message_text().find("in sequence by category"), std::string::npos);
  ASSERT_TRUE(e.answer_message(true));
  lines("Categories sorted alphabetically!", "Preset order may have changed.");
  std::vector<std::string> ours;
  for (int i = 0; i < synth::bank_size; ++i)
    if (e.editor().port().preset_category(i).rfind("Zq ", 0) == 0) ours.push_back(name(i));
  EXPECT_EQ(ours, (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
}

TEST_F(editor_actions, user_init_files_and_factory_presets_report_what_they_did) {
  struct simple {
    const char* path;
    int command;
    const char* text;
  };
  const simple all[] = {{"Save>Init>Preset", cmd::save_init_preset, "Saved as user init preset"},
                        {"Save>Init>Reset", cmd::save_reset_preset, "Saved as user reset preset"},
                        {"Save>Init>State", cmd::save_start_state, "Saved init state"},
                        {"Save>Init>Bank", cmd::save_start_bank, "Saved to init bank"},
                        {"Load>Init>Preset", cmd::load_init_preset, "Loaded user init preset"},
                        {"Load>Init>Reset", cmd::load_reset_preset, "Loaded user reset preset"},
                        {"Load>Init>Bank", cmd::load_start_bank, "Loaded init bank"},
                        {"Load>Factory>Init", cmd::factory_init, "Loaded factory init preset"},
                        {"Load>Factory>Reset", cmd::factory_reset, "Loaded factory reset preset"}};
  for (const simple& s : all) {
    SCOPED_TRACE(s.path);
    menu(s.path);
    EXPECT_TRUE(e.sent_command(s.command));
    lines(s.text, "");
  }
  menu("Load>Init>State");
  ASSERT_TRUE(e.answer_message(true));
  EXPECT_TRUE(e.sent_command(cmd::load_start_state));
  EXPECT_EQ(e.line(0), "Loaded init state");
}

TEST_F(editor_actions, randomising_sends_one_command_per_slot) {
  menu("Randomize>Bank");
  int randomised = 0;
  for (const sent& s : e.commands()) randomised += s.number == cmd::randomise_preset;
  EXPECT_EQ(randomised, synth::bank_size);
  menu("Randomize>Preset Name");
  lines("Can't generate names", "No struct.txt available");
  EXPECT_FALSE(e.sent_command(cmd::set_preset_name));
}

TEST_F(editor_actions, random_names_come_from_the_word_lists) {
  const fs::path data = std::getenv("VORN_DATA_DIR");
  std::ofstream(data / "struct.txt") << "A N\n";
  std::ofstream(data / "adjective.txt") << "warm\n";
  std::ofstream(data / "noun.txt") << "glass\n";
  menu("Randomize>Preset Name");
  EXPECT_EQ(e.line(0), "warm glass");
  EXPECT_EQ(name(), "warm glass");
  menu("Randomize>Bank Names");
  EXPECT_EQ(e.line(0).rfind("Generated 128 random names from", 0), 0u);
  EXPECT_EQ(e.line(1), "'warm glass' to 'warm glass'");
  EXPECT_EQ(e.editor().port().preset_category(77), "random");
  fs::remove(data / "struct.txt");
}

TEST_F(editor_actions, pcm_waves_load_replace_and_remove_from_the_lists) {
  std::vector<int16_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[size_t(i)] = int16_t(i * 100 - 12800);
  for (const char* n : {"one.wav", "two.wav"}) {
    const std::vector<uint8_t> bytes = test_support::wave_builder().format(1, 1, 44100, 16).data16(ramp).bytes();
    std::ofstream(dir / n, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  }
  // "No PCM Loaded" is listed, but not as a choice.
  EXPECT_FALSE(e.choose(*e.view().main_menu, "PCM>Remove>No PCM Loaded"));
  EXPECT_FALSE(e.sent_command(cmd::remove_wave));
  for (const char* n : {"one.wav", "two.wav"}) {
    menu("PCM>Load");
    ASSERT_TRUE(e.answer_file(file(n)));
    EXPECT_EQ(e.line(0), "Loaded wave");
  }
  EXPECT_EQ(e.editor().port().send(cmd::pcm_count), 2);
  e.wait();  // the waveform choices now list the waves

  menu("PCM>Replace>one");
  ASSERT_TRUE(e.answer_file(file("two.wav")));
  EXPECT_TRUE(e.sent_command(cmd::replace_wave));
  EXPECT_EQ(e.commands().back().index, 0);
  EXPECT_EQ(e.line(0), "Loaded wave");
  EXPECT_EQ(e.editor().port().send(cmd::pcm_count), 2);

  menu("PCM>Remove>two");  // the first "two" (the replaced one) goes
  EXPECT_TRUE(e.sent_command(cmd::remove_wave));
  EXPECT_EQ(e.editor().port().send(cmd::pcm_count), 1);
  lines("Removed PCM wave", "two");

  menu("PCM>Clear");
  ASSERT_TRUE(e.answer_message(true));
  lines("Cleared PCM data", "");
  EXPECT_EQ(e.editor().port().send(cmd::pcm_count), 0);
}

TEST_F(editor_actions, learning_maps_the_next_moved_control_to_the_next_controller) {
  menu("CC Map>Learn");
  lines("Move a GUI control to select that control for mapping,", "then adjust CC to map to control.");
  EXPECT_TRUE(e.editor().learning());
  ASSERT_TRUE(e.move_control(synth::p::filter_frequency));
  bool armed = false;
  for (const sent& s : e.commands()) armed |= s.number == cmd::arm_learn && s.index == synth::p::filter_frequency;
  EXPECT_TRUE(armed);

  // The controller arrives with the next block.
  e.send_cc(74, 100);
  lines("Mapped Brightness (74)", "to Filter Frequency");

  menu("CC Map>Remove>Brightness (74) to Filter Frequency (41)");
  bool unmapped = false;
  for (const sent& s : e.commands()) unmapped |= s.number == cmd::unmap_controller && s.index == 74;
  EXPECT_TRUE(unmapped);
  EXPECT_TRUE(e.sent_command(cmd::cc_map));
  lines("Removed CC Mapping", "Brightness (74) to Filter Frequency (41)");
  e.commands().clear();
  EXPECT_FALSE(e.choose(*e.view().main_menu, "CC Map>Remove>No CC Mapped"));
  EXPECT_FALSE(e.sent_command(cmd::unmap_controller));
}

TEST_F(editor_actions, controller_maps_save_and_load_with_their_extension) {
  menu("CC Map>Save");
  ASSERT_TRUE(e.answer_file(file("map")));
  EXPECT_TRUE(fs::exists(dir / "map.vornmidiccmap"));
  menu("CC Map>Load");
  ASSERT_TRUE(e.answer_file(file("map.vornmidiccmap")));
  EXPECT_TRUE(e.sent_command(cmd::load_cc_map));
  EXPECT_EQ(e.commands().back().text, file("map.vornmidiccmap"));
  lines("Load MIDI CC map", "map.vornmidiccmap");

  std::ofstream(dir / "junk.vornmidiccmap") << "not a map, just some text";
  menu("CC Map>Load");
  ASSERT_TRUE(e.answer_file(file("junk.vornmidiccmap")));
  lines("Load MIDI CC map failed", "invalid MIDI CC map chunk id");
}

TEST_F(editor_actions, sequence_items_and_unknown_paths) {
  menu("Sequence>Loop>Three");
  ASSERT_FALSE(e.commands().empty());
  EXPECT_EQ(e.commands().back().number, cmd::sequence_loop);
  EXPECT_EQ(e.commands().back().number_arg, 3);
  lines("Set sequencer loop mode to", "Three");
  menu("Sequence>Loop>Infinite");
  EXPECT_EQ(e.commands().back().number_arg, -1);

  std::ofstream(dir / "song.mid") << "x";
  menu("Sequence>Load");
  ASSERT_TRUE(e.answer_file(file("song.mid")));
  lines("Load sequence failed", "Wrong filetype/extension");
  EXPECT_FALSE(e.sent_command(cmd::load_sequence));
  std::ofstream(dir / "song.kvxs") << "not a song, just some text";
  menu("Sequence>Load");
  ASSERT_TRUE(e.answer_file(file("song.kvxs")));
  EXPECT_TRUE(e.sent_command(cmd::load_sequence));
  lines("Load sequence failed", "not a sequence (.kvxs) or AHX module (.ahx)");

  gui::menu_choice stray;
  stray.path = "bank.shuffle";
  EXPECT_FALSE(gui::notify_menu(e.editor().actions(), stray));
  lines(gui::unhandled_action_text, "bank.shuffle");
}

// Every action of the tree can be reached from the main menu (with Shift),
// and every item of the main menu has its action.
TEST(editor_action_tree, the_main_menu_and_the_tree_match) {
  gui::menu_options o;
  o.shift = true;
  const gui::menu_level menu = gui::parse_menu(gui::main_menu, o);
  std::vector<std::string> items, actions;
  std::vector<const gui::menu_level*> todo{&menu};
  while (!todo.empty()) {
    const gui::menu_level* l = todo.back();
    todo.pop_back();
    for (const gui::menu_item& it : l->items) {
      if (it.submenu) todo.push_back(it.submenu.get());
      if (it.type != gui::menu_item::kind::choice || it.submenu) continue;
      items.push_back((l->path.empty() ? "" : l->path + ".") + gui::menu_path_name(it.text));
    }
  }
  std::function<void(const gui::action_entry*, const std::string&)> walk = [&](const gui::action_entry* e,
                                                                                const std::string& prefix) {
    for (; e->name; ++e) {
      const std::string path = prefix.empty() ? e->name : prefix + "." + e->name;
      if (e->handler) actions.push_back(path);
      if (e->children) walk(e->children, path);
    }
  };
  walk(gui::action_tree(), "");
  for (const std::string& a : actions) {
    const bool listed = std::find(items.begin(), items.end(), a) != items.end() ||
                        a == "cc map.remove" || a == "pcm.remove" || a == "pcm.replace" || a == "sequence.loop";
    EXPECT_TRUE(listed) << a;
  }
  for (const std::string& i : items) {
    const bool handled = std::find(actions.begin(), actions.end(), i) != actions.end() || i.rfind("sequence.loop.", 0) == 0;
    EXPECT_TRUE(handled) << i;
  }
}

}  // namespace
}  // namespace editor_test
