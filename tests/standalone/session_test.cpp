// The session through a real instance: what one run saves on quit, the next
// restores on start; a --state file that cannot be used says so and changes
// nothing.
#include "plugin/standalone/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/app_data_dir.h"
#include "plugin/instance.h"
#include "plugin/standalone/session_file.h"

namespace {

namespace fs = std::filesystem;

struct owned_instance {
  plugin::host_shell shell;
  plugin::instance* it = plugin::instance::create(&shell, plugin::editor_factory(nullptr));
  ~owned_instance() {
    if (it) plugin::instance::destroy(it);
  }
};

// The first continuous parameter: a value set on it comes back exactly.
int32_t continuous_parameter() {
  owned_instance probe;
  plugin::parameter_shape shape;
  for (int32_t i = 0; probe.it && i < plugin::instance::param_count; ++i) {
    if (probe.it->parameter_info(i, shape) && shape.values == 0) return i;
  }
  return 0;
}

TEST(StandaloneSession, WhatOneRunSavesTheNextRestores) {
  const int32_t param = continuous_parameter();
  fs::remove(standalone::session_path());
  {
    owned_instance first;
    ASSERT_NE(first.it, nullptr);
    EXPECT_EQ(standalone::restore_session(*first.it, ""), "") << "no session yet is no error";
    first.it->set_parameter(param, 0.25f);
    first.it->set_program_name("Session sound");
    ASSERT_EQ(standalone::save_session(*first.it), "");
  }
  owned_instance second;
  ASSERT_NE(second.it, nullptr);
  EXPECT_NE(second.it->get_parameter(param), 0.25f);
  ASSERT_EQ(standalone::restore_session(*second.it, ""), "");
  EXPECT_FLOAT_EQ(second.it->get_parameter(param), 0.25f);
  EXPECT_STREQ(second.it->program_name(-1), "Session sound");
}

TEST(StandaloneSession, AStateFileGivenTakesThePlaceOfTheSession) {
  const int32_t param = continuous_parameter();
  owned_instance source;
  ASSERT_NE(source.it, nullptr);
  source.it->set_parameter(param, 0.75f);
  size_t size = 0;
  const uint8_t* bytes = source.it->save_state(size);
  const std::string file = platform::app_data_dir() + "given.vornstate";
  ASSERT_EQ(standalone::write_state_file(file, bytes, size), "");
  owned_instance target;
  ASSERT_EQ(standalone::restore_session(*target.it, file), "");
  EXPECT_FLOAT_EQ(target.it->get_parameter(param), 0.75f);
  fs::remove(file);
}

TEST(StandaloneSession, AnUnusableStateFileSaysSoAndChangesNothing) {
  const int32_t param = continuous_parameter();
  owned_instance target;
  ASSERT_NE(target.it, nullptr);
  target.it->set_parameter(param, 0.5f);
  const std::string missing = platform::app_data_dir() + "missing.vornstate";
  EXPECT_EQ(standalone::restore_session(*target.it, missing), missing + ": Can't read file (doesn't exist?)");
  const std::string junk = platform::app_data_dir() + "junk.vornstate";
  std::ofstream(junk) << "RIFF but not a state at all";
  EXPECT_EQ(standalone::restore_session(*target.it, junk), junk + ": not a Vorn state file");
  EXPECT_FLOAT_EQ(target.it->get_parameter(param), 0.5f);
  fs::remove(junk);
}

}  // namespace
