#include "guilib/archive/archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "guilib/archive/archive_writer.h"
#include "tests/guilib/chunk_builder.h"

namespace gui {
namespace {

using namespace gui::test;

std::vector<std::string> names_of(const archive_entry& e) {
  std::vector<std::string> n;
  for (const auto& c : e.children) n.push_back(c->name);
  return n;
}

TEST(archive_mount, container_name_is_not_counted_and_entries_keep_blob_order) {
  const std::string dir = "dir";
  const bytes blob = varc(1, varc(3, cat({file_chunk("a", {1, 2, 3}), file_chunk("b", {}), file_chunk("c", {9})}), &dir));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  ASSERT_EQ(a.root().children.size(), 1u);
  const archive_entry& d = *a.root().children[0];
  EXPECT_TRUE(d.directory);
  EXPECT_EQ(d.name, "dir");
  EXPECT_EQ(names_of(d), (std::vector<std::string>{"a", "b", "c"}));
  const archive_entry* f = find_child(d, "a");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->size, 3u);
  EXPECT_EQ(f->data[2], 3);
  EXPECT_GE(f->data, blob.data());  // points into the blob, not a copy
  EXPECT_LT(f->data, blob.data() + blob.size());
  EXPECT_EQ(find_child(d, "b")->size, 0u);
}

TEST(archive_mount, node_entries_read_like_files_and_chunks_are_found_by_tag) {
  // "data" before "name" inside the entry: a reader searches by tag.
  const bytes swapped = chunk("file", cat({chunk("data", {7, 7}), name_chunk("swapped")}));
  const bytes blob = varc(2, cat({file_chunk("n", {5}, "node"), swapped}));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  EXPECT_EQ(names_of(a.root()), (std::vector<std::string>{"n", "swapped"}));
  EXPECT_EQ(find_child(a.root(), "n")->data[0], 5);
  EXPECT_EQ(find_child(a.root(), "swapped")->size, 2u);
}

TEST(archive_mount, names_without_nul_are_empty_and_entries_without_data_stay_empty) {
  const bytes no_nul = chunk("file", cat({chunk("name", text("abc", false)), chunk("data", {1})}));
  const bytes no_data = chunk("file", name_chunk("lonely"));
  const bytes blob = varc(2, cat({no_nul, no_data}));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  ASSERT_EQ(a.root().children.size(), 2u);
  EXPECT_EQ(a.root().children[0]->name, "");
  EXPECT_EQ(a.root().children[0]->size, 1u);
  EXPECT_EQ(a.root().children[1]->name, "");
  EXPECT_EQ(a.root().children[1]->data, nullptr);
}

TEST(archive_mount, counts_and_sizes_that_run_past_the_container_stop_the_walk) {
  const bytes good = varc(2, cat({file_chunk("a", {1}), file_chunk("b", {2})}));
  {  // count larger than the entries present
    bytes blob = varc(1000, cat({file_chunk("a", {1}), file_chunk("b", {2})}));
    archive a;
    ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
    EXPECT_EQ(a.root().children.size(), 2u);
  }
  {  // the second entry's size reaches past the container
    bytes blob = good;
    const size_t second = 12 + file_chunk("a", {1}).size();
    blob[second + 4] = 0xFF;
    archive a;
    ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
    EXPECT_EQ(names_of(a.root()), (std::vector<std::string>{"a"}));
  }
  {  // an entry of size 0 would loop forever
    bytes blob = good;
    std::fill(blob.begin() + 16, blob.begin() + 20, 0);
    archive a;
    ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
    EXPECT_TRUE(a.root().children.empty());
  }
  for (size_t cut = 0; cut < good.size(); ++cut) {  // truncated blobs are refused whole
    archive a;
    EXPECT_FALSE(mount(good.data(), cut, a.root())) << cut;
  }
  const bytes not_varc = chunk("RIFF", {0, 0, 0, 0});
  archive a;
  EXPECT_FALSE(mount(not_varc.data(), not_varc.size(), a.root()));
}

TEST(archive_mount, nesting_deeper_than_the_limit_is_not_followed) {
  bytes blob = file_chunk("leaf", {1});
  for (int i = 0; i < 200; ++i) {
    const std::string n = std::to_string(i);
    blob = varc(1, blob, &n);
  }
  blob = varc(1, blob);
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  int depth = 0;
  for (const archive_entry* e = &a.root(); !e->children.empty(); e = e->children[0].get()) ++depth;
  EXPECT_EQ(depth, max_archive_depth + 1);
}

TEST(archive_lookup, only_the_last_component_gets_the_extension_and_names_are_case_sensitive) {
  const std::string image = "image", background = "background";
  const bytes blob = varc(1, varc(2, cat({file_chunk("background,762x516.tga", {1}),
                                          varc(1, file_chunk("overlay,762x516.tga", {2}), &background)}),
                                  &image));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  EXPECT_NE(find_path(a.root(), "image/background,762x516", ".tga"), nullptr);
  EXPECT_NE(find_path(a.root(), "image/background/overlay,762x516", ".tga"), nullptr);
  EXPECT_EQ(find_path(a.root(), "image/background", ".tga"), nullptr);  // a directory is no file
  EXPECT_EQ(find_path(a.root(), "Image/background,762x516", ".tga"), nullptr);
  EXPECT_EQ(find_path(a.root(), "image/nothing/overlay,762x516", ".tga"), nullptr);
  EXPECT_EQ(find_path(a.root(), "background,762x516", ".tga"), nullptr);  // not at the root
}

TEST(archive_writer, short_size_form) {
  EXPECT_EQ(format_short_size(0), "0");
  EXPECT_EQ(format_short_size(1023), "1023");
  EXPECT_EQ(format_short_size(1024), "1.0k");
  EXPECT_EQ(format_short_size(5000), "4.9k");
  EXPECT_EQ(format_short_size(20000), "20k");
  EXPECT_EQ(format_short_size(1048575), "1024k");
  EXPECT_EQ(format_short_size(3489744), "3m");
}

TEST(archive_writer, serialised_trees_mount_back_identically_with_names_written_first) {
  std::mt19937 rng(4);
  archive_entry root;
  root.directory = true;
  std::vector<bytes> store;
  for (int d = 0; d < 3; ++d) {
    archive_entry& dir = root.add_child();
    dir.directory = true;
    dir.name = "dir" + std::to_string(d);
    for (int f = 0; f < 4; ++f) {
      store.push_back(bytes(rng() % 300));
      for (uint8_t& b : store.back()) b = uint8_t(rng());
      archive_entry& e = dir.add_child();
      e.name = "file " + std::to_string(f) + ".bin";
      e.data = store.back().data();
      e.size = uint32_t(store.back().size());
    }
  }
  const bytes blob = serialize_archive(root);
  EXPECT_EQ(serialize_archive(root, nullptr), blob.size());
  EXPECT_EQ(std::string(blob.begin(), blob.begin() + 4), "varc");
  EXPECT_EQ(std::string(blob.begin() + 12, blob.begin() + 16), "varc");  // the root carries no name
  EXPECT_EQ(std::string(blob.begin() + 24, blob.begin() + 28), "name");  // a directory's name comes first

  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  ASSERT_EQ(a.root().children.size(), 3u);
  size_t k = 0;
  for (int d = 0; d < 3; ++d) {
    const archive_entry& dir = *a.root().children[size_t(d)];
    EXPECT_EQ(dir.name, "dir" + std::to_string(d));
    for (const auto& f : dir.children) {
      EXPECT_EQ(bytes(f->data, f->data + f->size), store[k++]);
    }
  }
}

TEST(archive_writer, dump_lists_one_line_per_entry_with_tabs_per_level) {
  const std::string fonts = "fonts";
  const bytes blob = varc(2, cat({varc(1, file_chunk("a.vornfont", bytes(5000)), &fonts), file_chunk("x", {1})}));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  std::FILE* f = std::tmpfile();
  for (const auto& c : a.root().children) dump(*c, 0, f);
  std::rewind(f);
  char buf[256] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "fonts/\n\ta.vornfont = 4.9k\nx = 1\n");
}

TEST(archive_writer, extract_skips_names_that_would_leave_the_folder) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vorn_extract_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "out");
  const std::string sub = "sub";
  const bytes blob = varc(3, cat({file_chunk("../escaped", {1}), file_chunk("ok", {2}), varc(1, file_chunk("in", {3}), &sub)}));
  archive a;
  ASSERT_TRUE(mount(blob.data(), blob.size(), a.root()));
  EXPECT_FALSE(extract((dir / "out").string() + "/", a.root()));
  EXPECT_FALSE(std::filesystem::exists(dir / "escaped"));
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "ok"));
  EXPECT_EQ(std::filesystem::file_size(dir / "out" / "sub" / "in"), 1u);
  std::filesystem::remove_all(dir);
}

TEST(archive_file, load_file_keeps_earlier_mounts_valid) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vorn_archive_load";
  std::filesystem::create_directories(dir);
  const bytes one = varc(1, file_chunk("one", {1}));
  const bytes two = varc(1, file_chunk("two", {2}));
  std::ofstream(dir / "1.varc", std::ios::binary).write(reinterpret_cast<const char*>(one.data()), long(one.size()));
  std::ofstream(dir / "2.varc", std::ios::binary).write(reinterpret_cast<const char*>(two.data()), long(two.size()));
  std::ofstream(dir / "empty.varc", std::ios::binary);
  archive a;
  EXPECT_TRUE(a.load_file((dir / "1.varc").string()));
  EXPECT_TRUE(a.load_file((dir / "2.varc").string()));
  EXPECT_FALSE(a.load_file((dir / "empty.varc").string()));
  EXPECT_FALSE(a.load_file((dir / "missing.varc").string()));
  ASSERT_EQ(names_of(a.root()), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(find_child(a.root(), "one")->data[0], 1);
  EXPECT_EQ(find_child(a.root(), "two")->data[0], 2);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace gui
