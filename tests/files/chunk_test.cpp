#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "files/instance_state.h"
#include "riff/bytes.h"
#include "riff/chunk.h"
#include "riff/file_buffer.h"
#include "tests/files/files_support.h"

namespace {

using files_test::bytes;

bytes chunk_of(const char* id, std::initializer_list<bytes> children, uint32_t extra_size = 0) {
  bytes out(id, id + 4);
  out.resize(8);
  for (const bytes& c : children) out.insert(out.end(), c.begin(), c.end());
  riff::put_u32(out.data() + 4, uint32_t(out.size()) + extra_size);
  return out;
}

bytes raw(const char* id, uint32_t size, bytes payload = {}) {
  bytes out(id, id + 4);
  out.resize(8);
  riff::put_u32(out.data() + 4, size);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(string_chunk, layout_absent_and_unterminated) {
  const bytes abc = files_test::written([](uint8_t* d) { return riff::write_string_chunk(d, "abc", "name"); });
  EXPECT_EQ(abc, (bytes{'n', 'a', 'm', 'e', 12, 0, 0, 0, 'a', 'b', 'c', 0}));
  EXPECT_EQ(riff::read_string_chunk(riff::chunk_at(abc.data(), abc.size())), "abc");

  const bytes absent = files_test::written([](uint8_t* d) { return riff::write_string_chunk(d, nullptr, "name"); });
  EXPECT_EQ(absent, (bytes{'n', 'a', 'm', 'e', 8, 0, 0, 0}));
  EXPECT_EQ(riff::read_string_chunk(riff::chunk_at(absent.data(), absent.size())), "");

  const bytes no_id = files_test::written([](uint8_t* d) { return riff::write_string_chunk(d, "x", nullptr); });
  EXPECT_EQ(no_id, (bytes{0, 0, 0, 0, 10, 0, 0, 0, 'x', 0}));

  bytes unterminated = abc;
  unterminated.back() = 'd';
  EXPECT_EQ(riff::read_string_chunk(riff::chunk_at(unterminated.data(), unterminated.size())), "");
}

TEST(find_chunk, stops_at_bad_sizes_and_bounds) {
  const bytes wanted = raw("want", 8);
  // A first child of size 0 ends the search, although the wanted id follows.
  const bytes zero_first = chunk_of("prnt", {raw("zero", 0), wanted});
  EXPECT_FALSE(riff::find_chunk(riff::chunk_at(zero_first.data(), zero_first.size()), "want"));
  // A match whose size reaches past its parent is not returned.
  const bytes too_long = chunk_of("prnt", {raw("want", 40)});
  EXPECT_FALSE(riff::find_chunk(riff::chunk_at(too_long.data(), too_long.size()), "want"));
  // Odd sizes are packed: the next chunk starts right after.
  const bytes odd = chunk_of("prnt", {raw("odd ", 9, {7}), wanted});
  const riff::chunk_view found = riff::find_chunk(riff::chunk_at(odd.data(), odd.size()), "want");
  ASSERT_TRUE(found);
  EXPECT_EQ(found.data - odd.data(), 8 + 9);
  // Ids compare case-sensitively.
  EXPECT_FALSE(riff::find_chunk(riff::chunk_at(odd.data(), odd.size()), "WANT"));
  // A parent declaring more bytes than exist is absent as a whole.
  const bytes cut = chunk_of("prnt", {wanted}, 100);
  EXPECT_FALSE(riff::chunk_at(cut.data(), cut.size()));
  // The second form searches from offset 40 (after the sampler fields).
  bytes smpl = raw("smpl", 0, bytes(32, 'w'));
  smpl.insert(smpl.end(), wanted.begin(), wanted.end());
  riff::put_u32(smpl.data() + 4, uint32_t(smpl.size()));
  const riff::chunk_view s = riff::chunk_at(smpl.data(), smpl.size());
  EXPECT_TRUE(riff::find_chunk(s, "want", riff::smpl_children_offset));
}

TEST(file_buffer, loads_whole_files_with_a_trailing_zero) {
  const std::string path = files_test::scratch("text.txt");
  files_test::write_bytes(path, {'h', 'i'});
  riff::file_buffer f;
  ASSERT_TRUE(f.load(path));
  EXPECT_EQ(f.size(), 2u);
  EXPECT_STREQ(f.text(), "hi");
  files_test::write_bytes(path, {});
  ASSERT_TRUE(f.load(path));
  EXPECT_EQ(f.size(), 0u);
  EXPECT_FALSE(f.load(files_test::scratch("missing/none.bin")));
  EXPECT_FALSE(f.load(files_test::scratch("")));  // a folder is no file
}

// What remains in a folder besides the named files: temporaries left behind.
std::vector<std::string> leftovers(const std::string& folder, const std::string& keep) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename() != keep) found.push_back(e.path().filename());
  return found;
}

TEST(file_buffer, a_failed_save_keeps_the_old_file_whole) {
  const std::string folder = files_test::scratch("atomic");
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/state.vornstate";
  const bytes good(5000, 'g');
  files_test::write_bytes(path, good);

  riff::file_buffer big;
  ASSERT_TRUE(big.allocate(60000));
  // The disk fills up half way: writes past 20 kB fail (as EFBIG).
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 20000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool stored = big.store(path);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(stored);
  EXPECT_EQ(files_test::read_bytes(path), good);
  EXPECT_TRUE(leftovers(folder, "state.vornstate").empty());

  // A save that succeeds replaces the file whole.
  ASSERT_TRUE(big.store(path));
  EXPECT_EQ(files_test::read_bytes(path).size(), 60000u);
  EXPECT_TRUE(leftovers(folder, "state.vornstate").empty());
}

TEST(file_buffer, a_save_into_a_missing_folder_reports_its_outcome) {
  synth::synth* engine = new synth::synth();
  const std::string result = files::save_state_file(files_test::scratch("no/such/folder/x.vornstate"), *engine);
  EXPECT_EQ(result, "couldn't write file (invalid path/filename or no access?)");
  EXPECT_FALSE(std::filesystem::exists(files_test::scratch("no")));
  delete engine;
}

}  // namespace
