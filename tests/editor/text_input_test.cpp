// Every character and the keyboard: UTF-8 names typed into the editor's
// fields and saved as file names, the file dialog on folders with non-ASCII
// names and driven by keys, its places, and the program number typed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "guilib/platform/keys.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/list_box.h"
#include "platform/utf8.h"
#include "platform/utf8_path.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/scratch.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
namespace k = wnd::key;
using platform::utf8_path;
using platform::utf8_text;

bool whole_characters(const std::string& s) {
  for (size_t at = 0; at < s.size();) {
    const platform::utf8_char c = platform::decode_utf8(s, at);
    if (!c.valid) return false;
    at += c.length;
  }
  return true;
}

struct text_input : ::testing::Test {
  editor_instance e;
  fs::path dir = test_support::make_scratch_dir("vorn-text-input");

  void SetUp() override { ASSERT_TRUE(e.open()); }
  void TearDown() override { fs::remove_all(dir); }

  void type(const std::string& s) {
    e.backend().type(e.window(), s);
    e.root().run_deferred();
  }
  void press(int32_t key, bool shift = false) { e.key(key, false, shift); }
  gui::view* part(const char* name) { return e.root().modal_layer() ? e.root().modal_layer()->find(name) : nullptr; }
  gui::edit& field(const char* name) { return *dynamic_cast<gui::edit*>(part(name)); }
  gui::list_box& list(const char* name) { return *dynamic_cast<gui::list_box*>(part(name)); }
  // Shows a folder in the open dialog by typing it into the path field.
  void go_to(const fs::path& folder) {
    e.click(part("path")->bounds());
    type(utf8_text(folder));
    press(k::enter);
  }
  void menu(const std::string& path) { ASSERT_TRUE(e.choose(*e.view().main_menu, path)) << path; }
};

TEST_F(text_input, a_typed_unicode_name_is_kept_and_saved_as_its_file_name) {
  e.click(e.view().name->bounds());  // focus, all selected: typing replaces
  type("Bräß Pad é");
  press(k::enter);
  EXPECT_EQ(e.view().name->str(), "Bräß Pad é");
  EXPECT_EQ(e.editor().port().preset_name(), "Bräß Pad é");
  EXPECT_EQ(e.line(1), "Bräß Pad é");

  menu("Save>Preset");
  ASSERT_TRUE(e.dialog_open());
  EXPECT_EQ(field("name").str(), "Bräß Pad é.vornpreset");  // offered from the preset's name
  go_to(dir);
  e.click(part("name")->bounds());
  press(k::enter);  // one press confirms
  EXPECT_FALSE(e.dialog_open());
  EXPECT_TRUE(fs::exists(dir / utf8_path("Bräß Pad é.vornpreset")));
  EXPECT_EQ(e.line(0), "Saved preset");
}

TEST_F(text_input, the_name_field_edits_whole_characters) {
  gui::edit& name = *e.view().name;
  e.click(name.bounds());
  type("Aßé");
  press(k::left);
  press(k::backspace);  // removes "ß", both bytes
  EXPECT_EQ(name.str(), "Aé");
  press(k::home);
  press(k::del);
  EXPECT_EQ(name.str(), "é");
  press(k::right, true);  // Shift+Right selects the whole "é"
  EXPECT_EQ(name.selection_end() - name.selection_start(), 2u);
  type("Ö");
  EXPECT_EQ(name.str(), "Ö");
  press(k::escape);
}

TEST_F(text_input, names_keep_to_their_byte_limits_at_character_boundaries) {
  std::string long_name;
  for (int i = 0; i < 40; ++i) long_name += "é";  // 80 bytes
  gui::edit& name = *e.view().name;
  e.click(name.bounds());
  type(long_name);
  press(k::enter);
  EXPECT_EQ(name.str().size(), 62u);  // 63 bytes would end in half an "é"
  EXPECT_TRUE(whole_characters(name.str()));
  EXPECT_EQ(e.editor().port().preset_name(), name.str());
  // The host's program name field holds 24 bytes with its terminator.
  char host_name[64] = {};
  e.dispatch(effGetProgramName, 0, 0, host_name);
  EXPECT_EQ(std::string(host_name).size(), 22u);
  EXPECT_TRUE(whole_characters(host_name));

  // Trailing blanks go from offered and typed file names.
  e.view().name->set_text("Pad   ");
  e.view().name->on_commit(*e.view().name);
  menu("Save>Preset");
  EXPECT_EQ(field("name").str(), "Pad.vornpreset");
  go_to(dir);
  field("name").set_text("Lead  ");
  e.click(part("OK")->bounds());
  EXPECT_TRUE(fs::exists(dir / "Lead.vornpreset"));
}

TEST_F(text_input, the_file_dialog_lists_non_ascii_names_and_moves_by_keys) {
  fs::create_directories(dir / utf8_path("Ünïcödé ß"));
  fs::create_directories(dir / utf8_path("Ärger"));
  std::ofstream(dir / utf8_path("Ünïcödé ß") / utf8_path("Fläche.vornpreset")) << "x";
  std::ofstream(dir / utf8_path("Ünïcödé ß") / utf8_path("Żółw.vornpreset")) << "x";
  menu("Load>Preset");
  ASSERT_TRUE(e.dialog_open());
  go_to(dir);
  EXPECT_EQ(list("folders").rows(), (std::vector<std::string>{"..", "Ärger", "Ünïcödé ß"}));

  // Tab: name field, folder list, file list, and round again.
  e.click(part("name")->bounds());
  press(k::tab);
  EXPECT_EQ(e.root().focus(), part("folders"));
  EXPECT_EQ(list("folders").selected(), 0);  // a list taken without a selection selects its first row
  press(k::down);
  press(k::down);
  press(k::enter);  // into "Ünïcödé ß"
  EXPECT_EQ(field("path").str(), utf8_text(dir / utf8_path("Ünïcödé ß")));
  EXPECT_EQ(list("files").rows(), (std::vector<std::string>{"Fläche.vornpreset", "Żółw.vornpreset"}));
  press(k::tab);
  EXPECT_EQ(e.root().focus(), part("files"));
  EXPECT_EQ(field("name").str(), "Fläche.vornpreset");  // the first file, selected on the way in
  press(k::down);
  EXPECT_EQ(field("name").str(), "Żółw.vornpreset");
  press(k::tab);
  EXPECT_EQ(e.root().focus(), part("name"));
  press(k::tab, true);  // Shift+Tab goes back
  EXPECT_EQ(e.root().focus(), part("files"));
  e.root().damage(e.root().bounds());
  e.backend().pump();
  EXPECT_TRUE(wnd::save_screenshot(e.window().surface.pixels, std::string(VORN_SHOTS_DIR) + "/file-dialog-unicode.png"));

  // A typed folder that is not there clears the listing.
  go_to(dir / "no such folder" / "deeper");
  EXPECT_TRUE(list("folders").rows().empty());
  EXPECT_TRUE(list("files").rows().empty());
  EXPECT_EQ(dynamic_cast<gui::text*>(part("status"))->str(), "No such folder");
  press(k::escape);
  EXPECT_FALSE(e.dialog_open());
}

TEST_F(text_input, the_file_dialog_offers_the_factory_and_user_folders) {
  const fs::path factory = dir / "Vorn Factory";
  fs::create_directories(factory / "states");
  ::setenv("VORN_FACTORY_DIR", utf8_text(factory).c_str(), 1);
  menu("Load>Bank");
  ::unsetenv("VORN_FACTORY_DIR");
  ASSERT_TRUE(e.dialog_open());
  ASSERT_NE(part("Factory"), nullptr);
  ASSERT_NE(part("User"), nullptr);
  e.click(part("Factory")->bounds());
  EXPECT_EQ(fs::path(field("path").str()), factory);
  EXPECT_EQ(list("folders").rows(), (std::vector<std::string>{"..", "states"}));
  e.click(part("User")->bounds());
  EXPECT_EQ(fs::path(field("path").str()), fs::absolute(std::getenv("VORN_DATA_DIR")).lexically_normal().parent_path());
  press(k::escape);
}

TEST_F(text_input, the_program_number_is_typed_after_a_double_click) {
  const gui::rect r = e.view().program->bounds();
  const gui::point c = r.centre();
  e.backend().click(e.window(), gui::mouse_button::left, c.x, c.y);
  EXPECT_EQ(e.view().program->value(), 0.f);  // the middle no longer steps
  e.backend().mouse_down(e.window(), gui::mouse_button::left, c.x, c.y, true);
  e.backend().mouse_up(e.window(), gui::mouse_button::left, c.x, c.y);
  e.root().run_deferred();
  auto* entry = dynamic_cast<gui::edit*>(e.root().focus());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->str(), "000");
  type("42");
  press(k::enter);
  e.root().run_deferred();
  EXPECT_EQ(e.view().program->value(), 42.f);
  EXPECT_EQ(e.effect()->dispatcher(e.effect(), effGetProgram, 0, 0, nullptr, 0.f), 42);
  EXPECT_EQ(e.line(0), "Program 42");

  e.backend().mouse_down(e.window(), gui::mouse_button::left, c.x, c.y, true);
  e.backend().mouse_up(e.window(), gui::mouse_button::left, c.x, c.y);
  e.root().run_deferred();
  type("200");
  press(k::enter);
  e.root().run_deferred();
  EXPECT_EQ(e.view().program->value(), 42.f);
  EXPECT_EQ(e.line(0), "No program \"200\"");
  // The arrows still step.
  e.click_at(r.x2 - 2, c.y);
  EXPECT_EQ(e.view().program->value(), 43.f);
}

}  // namespace
}  // namespace editor_test
