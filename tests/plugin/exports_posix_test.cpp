// The ELF plug-in's dynamic symbol table. (The Windows DLL's export table is
// checked from its objdump listing, tests/windows/check_dll.cmake.)
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

TEST(plugin_identity, exports_only_the_three_entry_names) {
  std::string cmd = std::string("nm -D --defined-only ") + VORN_PLUGIN_PATH;
  FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> functions;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    char addr[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", addr, type, name) == 3 && (type[0] == 'T' || type[0] == 'W'))
      functions.insert(name);
  }
  ::pclose(p);
  EXPECT_EQ(functions, (std::set<std::string>{"MAIN", "VSTPluginMain", "main"}));
}

