#include "plugin/standalone/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using standalone::options;

bool parse(std::vector<const char*> args, options& out, std::string& error) {
  args.insert(args.begin(), "vorn-standalone");
  return standalone::parse_options(int(args.size()), args.data(), out, error);
}

TEST(StandaloneOptions, EveryOptionInBothSpellings) {
  options o;
  std::string error;
  ASSERT_TRUE(parse({"--state", "a b.vornstate", "--midi=system:midi_capture_1", "--no-gui", "--list-ports",
                     "--run-for", "2.5"},
                    o, error))
      << error;
  EXPECT_EQ(o.state_file, "a b.vornstate");
  EXPECT_EQ(o.midi_port, "system:midi_capture_1");
  EXPECT_TRUE(o.no_gui);
  EXPECT_TRUE(o.list_ports);
  EXPECT_DOUBLE_EQ(o.run_seconds, 2.5);
  EXPECT_FALSE(o.help);

  ASSERT_TRUE(parse({"--state=x.vornstate", "--midi", "20:0", "-h"}, o, error));
  EXPECT_EQ(o.state_file, "x.vornstate");
  EXPECT_EQ(o.midi_port, "20:0");
  EXPECT_TRUE(o.help);
  EXPECT_FALSE(o.no_gui);  // a second parse starts from the defaults
}

TEST(StandaloneOptions, NoArgumentsMeansWindowAndLastSession) {
  options o;
  std::string error;
  ASSERT_TRUE(parse({}, o, error));
  EXPECT_TRUE(o.state_file.empty());
  EXPECT_TRUE(o.midi_port.empty());
  EXPECT_FALSE(o.no_gui);
  EXPECT_EQ(o.run_seconds, 0.0);
}

TEST(StandaloneOptions, UnusableLinesSayWhy) {
  options o;
  std::string error;
  EXPECT_FALSE(parse({"--state"}, o, error));
  EXPECT_EQ(error, "--state needs a value");
  EXPECT_FALSE(parse({"--state="}, o, error));
  EXPECT_EQ(error, "--state needs a file name");
  EXPECT_FALSE(parse({"--midi="}, o, error));
  EXPECT_EQ(error, "--midi needs a port name");
  EXPECT_FALSE(parse({"--nogui"}, o, error));
  EXPECT_EQ(error, "unknown option --nogui (see --help)");
  EXPECT_FALSE(parse({"--statefile", "x"}, o, error));  // a prefix of a longer word is not the option
  EXPECT_NE(error.find("unknown option --statefile"), std::string::npos);
  for (const char* bad : {"0", "-3", "abc", "5s", "1e9", "nan", "inf"}) {
    EXPECT_FALSE(parse({"--run-for", bad}, o, error)) << bad;
    EXPECT_NE(error.find("--run-for takes seconds"), std::string::npos) << bad;
  }
}

TEST(StandaloneOptions, HelpNamesEveryOption) {
  const std::string help = standalone::usage_text();
  for (const char* name : {"--state FILE", "--midi PORT", "--list-ports", "--no-gui", "--run-for", "--help"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace
