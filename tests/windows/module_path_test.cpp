// The platform layer finds the module it lives in: inside a DLL the DLL (as the
// resource lookup of vorn.dll needs), linked into a program the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/module_handle_win32.h"
#include "platform/module_path.h"
#include "platform/utf16_win32.h"
#include "platform/utf8_path.h"

namespace {

template <typename F>
F probe_function(HMODULE m, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(platform::utf8_path(a), platform::utf8_path(b), ec);
}

}  // namespace

TEST(module_path, a_dll_finds_its_own_handle_directory_and_name) {
  std::wstring path;
  ASSERT_TRUE(platform::to_utf16(VORN_MODULE_PROBE_PATH, path));
  HMODULE probe = LoadLibraryW(path.c_str());
  ASSERT_NE(probe, nullptr) << VORN_MODULE_PROBE_PATH;
  auto own = probe_function<HMODULE (*)()>(probe, "probe_own_module");
  auto directory = probe_function<const char* (*)()>(probe, "probe_directory");
  auto file_name = probe_function<const char* (*)()>(probe, "probe_file_name");
  ASSERT_TRUE(own && directory && file_name);
  EXPECT_EQ(own(), probe);
  EXPECT_NE(own(), platform::own_module());
  EXPECT_STREQ(file_name(), "module_probe.dll");
  const std::string dir = directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_TRUE(same_file(dir + file_name(), VORN_MODULE_PROBE_PATH)) << dir;
  FreeLibrary(probe);
}

TEST(module_path, a_program_finds_itself) {
  EXPECT_EQ(platform::own_module(), GetModuleHandleW(nullptr));
  const platform::module_path& me = platform::this_module();
  EXPECT_EQ(me.file_name, "vorn_windows_tests.exe");
  EXPECT_TRUE(same_file(me.directory + me.file_name, std::string(VORN_TESTS_BIN_DIR) + "/vorn_windows_tests.exe"));
}
