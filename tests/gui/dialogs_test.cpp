// The drawn file dialog and message box: folders, filters, the typed name,
// confirmation before replacing, and the completion called exactly once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "guilib/platform/keys.h"
#include "guilib/widgets/dialogs.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/list_box.h"
#include "tests/gui/ui_fixture.h"

namespace gui::testing {
namespace {

namespace fs = std::filesystem;
namespace k = wnd::key;
using mb = mouse_button;

TEST(file_filter, pairs_of_names_and_pattern_lists) {
  const std::vector<file_filter> f = parse_file_filter("Vorn Preset\t*.vornpreset;*.kvxi\tAll\t*\t");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].name, "Vorn Preset");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.vornpreset", "*.kvxi"}));
  EXPECT_EQ(f[1].patterns, std::vector<std::string>{"*"});
  EXPECT_TRUE(parse_file_filter("no tab").empty());
  EXPECT_TRUE(matches_pattern("Brass.VORNPRESET", "*.vornpreset"));
  EXPECT_FALSE(matches_pattern("Brass.vornpreset.bak", "*.vornpreset"));
  EXPECT_TRUE(matches_pattern("song.ahx", "*.ah?"));
  EXPECT_TRUE(matches_pattern("a.b.c", "*.*.*"));
  EXPECT_FALSE(matches_pattern("", "?"));
}

struct dialog : ::testing::Test {
  ui_fixture f{762, 516};
  fs::path dir;
  int calls = 0;
  bool chosen = false;
  std::string path;

  void SetUp() override {
    dir = fs::temp_directory_path() / ("vorn-dialog-" + std::to_string(::getpid()));
    fs::create_directories(dir / "Banks");
    for (const char* n : {"Brass.vornpreset", "old.kvxi", "notes.txt"}) std::ofstream(dir / n) << "x";
    std::ofstream(dir / "Banks" / "Factory.vornbank") << "x";
  }
  void TearDown() override { fs::remove_all(dir); }
  file_done done() {
    return [this](bool c, const std::string& p) { ++calls, chosen = c, path = p; };
  }
  template <typename T>
  T& part(const char* name) {
    return *dynamic_cast<T*>(f.root->modal_layer()->find(name));
  }
  void click(view& v) {
    const point c = v.bounds().centre();
    f.backend.click(f.window, mb::left, c.x, c.y);
  }
};

TEST_F(dialog, an_open_dialog_lists_folders_and_the_matching_files) {
  ask_file(*f.root, ui_fixture::style(), {false, "Load Preset", "Vorn Preset\t*.vornpreset;*.kvxi\t", dir.string(), {}}, done());
  EXPECT_EQ(part<list_box>("folders").rows(), (std::vector<std::string>{"..", "Banks"}));
  EXPECT_EQ(part<list_box>("files").rows(), (std::vector<std::string>{"Brass.vornpreset", "old.kvxi"}));
  // Picking a file puts its name in the field; Open reports the path once.
  list_box& files = part<list_box>("files");
  f.backend.click(f.window, mb::left, files.bounds().x1 + 20, files.bounds().y1 + files.row_height() + 3);
  EXPECT_EQ(part<edit>("name").str(), "old.kvxi");
  click(part<control>("OK"));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(fs::path(path), dir / "old.kvxi");
  EXPECT_EQ(f.root->modal_layer(), nullptr);
}

TEST_F(dialog, double_clicking_a_folder_enters_it_and_a_missing_file_is_refused) {
  ask_file(*f.root, ui_fixture::style(), {false, "Load Bank", "Vorn Bank\t*.vornbank\t", dir.string(), {}}, done());
  list_box& folders = part<list_box>("folders");
  f.backend.mouse_down(f.window, mb::left, folders.bounds().x1 + 20, folders.bounds().y1 + folders.row_height() + 3, true);
  f.backend.mouse_up(f.window, mb::left, folders.bounds().x1 + 20, folders.bounds().y1 + folders.row_height() + 3);
  EXPECT_EQ(part<list_box>("files").rows(), std::vector<std::string>{"Factory.vornbank"});
  click(part<edit>("name"));
  f.backend.type(f.window, "Nothing.vornbank");
  click(part<control>("OK"));
  EXPECT_EQ(calls, 0) << "an open dialog needs an existing file";
  f.backend.press_key(f.window, k::escape);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(chosen);
}

TEST_F(dialog, saving_over_a_file_asks_first) {
  ask_file(*f.root, ui_fixture::style(), {true, "Save Preset", "Vorn Preset\t*.vornpreset\t", (dir / "Brass.vornpreset").string(), {}},
           done());
  EXPECT_EQ(part<edit>("name").str(), "Brass.vornpreset") << "the initial file name";
  click(part<control>("OK"));
  ASSERT_EQ(calls, 0);
  ASSERT_NE(f.root->modal_layer()->find("Cancel"), nullptr) << "the replace question is up";
  f.backend.press_key(f.window, k::escape);  // no: back in the dialog
  EXPECT_EQ(calls, 0);
  click(part<edit>("name"));
  f.backend.type(f.window, "New Pad.vornpreset");
  f.backend.press_key(f.window, k::enter);  // one press: the field ends and the dialog confirms
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(f.root->modal_layer(), nullptr);
  EXPECT_EQ(fs::path(path), dir / "New Pad.vornpreset");
}

TEST(message_box, ok_and_cancel_report_once) {
  ui_fixture f(400, 300);
  std::vector<bool> answers;
  show_message(*f.root, ui_fixture::style(), "Confirm", "Are you sure?", true, [&](bool ok) { answers.push_back(ok); });
  view* ok = f.root->modal_layer()->find("OK");
  ASSERT_NE(ok, nullptr);
  const point c = ok->bounds().centre();
  f.backend.click(f.window, mb::left, c.x, c.y);
  f.backend.click(f.window, mb::left, c.x, c.y);  // the box is gone: nothing more
  show_message(*f.root, ui_fixture::style(), "Confirm", "Again?", true, [&](bool ok) { answers.push_back(ok); });
  f.backend.press_key(f.window, k::escape);
  EXPECT_EQ(answers, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace gui::testing
