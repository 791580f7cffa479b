// The skin and font archives travel inside the DLL as resources of type
// "VARC" and are found in the module that holds the code asking, whatever
// program loaded it; names match without regard to case.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_open.h"
#include "platform/resources.h"
#include "platform/utf16_win32.h"

namespace {

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = platform::open_file(path, "rb");
  if (!f) return bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

HMODULE load(const char* path, DWORD flags) {
  std::wstring wide;
  return platform::to_utf16(path, wide) ? LoadLibraryExW(wide.c_str(), nullptr, flags) : nullptr;
}

struct archive_case {
  const char* name;
  const char* as_the_toolkit_asks;
  const char* file;
};
const archive_case archives[] = {{"SKINS/KESTOL", "skins/kestol", VORN_SKIN_DIR "/kestol.varc"},
                                 {"FONTS", "fonts", VORN_SKIN_DIR "/fonts.varc"}};

}  // namespace

TEST(module_resources, the_dll_finds_its_own_archives_byte_for_byte) {
  HMODULE probe = load(VORN_MODULE_PROBE_PATH, 0);
  ASSERT_NE(probe, nullptr);
  using find_fn = const uint8_t* (*)(const char*, const char*, size_t*);
  auto find = reinterpret_cast<find_fn>(reinterpret_cast<void*>(GetProcAddress(probe, "probe_find_resource")));
  ASSERT_NE(find, nullptr);
  for (const archive_case& c : archives) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> expected = file_bytes(c.file);
    ASSERT_GT(expected.size(), 64u) << c.file;
    for (const char* name : {c.name, c.as_the_toolkit_asks}) {
      size_t size = 0;
      const uint8_t* data = find("VARC", name, &size);
      ASSERT_NE(data, nullptr) << name;
      EXPECT_EQ(std::vector<uint8_t>(data, data + size), expected) << name;
    }
  }
  size_t size = 1;
  EXPECT_EQ(find("VARC", "SKINS/OTHER", &size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(find("RIFF", "FONTS", &size), nullptr);
  // This program carries no archives: a lookup that went to the program's
  // module instead of the DLL's would find nothing.
  EXPECT_FALSE(platform::find_resource("VARC", "FONTS"));
  FreeLibrary(probe);
}

TEST(module_resources, vorn_dll_carries_both_archives) {
  HMODULE dll = load(VORN_PLUGIN_PATH, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  for (const archive_case& c : archives) {
    SCOPED_TRACE(c.name);
    HRSRC r = FindResourceA(dll, c.name, "VARC");
    ASSERT_NE(r, nullptr);
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(dll, r)));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(data, data + SizeofResource(dll, r)), file_bytes(c.file));
  }
  FreeLibrary(dll);
}
