// The ALSA path as far as a machine without sound devices allows: a device
// that is not there is refused in one line, without ALSA's own messages, and
// the listing still works. Runs the same on machines with sound cards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "plugin/standalone/audio_backend.h"
#include "plugin/standalone/sound_system.h"
#include "tests/support/scratch.h"

namespace {

using standalone::backend_request;

// Everything `f` writes to stderr.
template <typename F>
std::string stderr_of(F&& f) {
  std::fflush(stderr);
  testing::internal::CaptureStderr();
  f();
  std::fflush(stderr);
  return testing::internal::GetCapturedStderr();
}

TEST(StandaloneAlsa, AMissingDeviceIsRefusedInOneQuietLine) {
  backend_request r;
  r.alsa_device = "vorn_no_such_device";
  std::string error;
  std::unique_ptr<standalone::audio_backend> b;
  const std::string printed = stderr_of([&] { b = standalone::open_alsa(r, error); });
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(printed, "") << "ALSA's own complaints stay out of the terminal";
  EXPECT_EQ(error.rfind("no ALSA sound device could be opened (vorn_no_such_device: ", 0), 0u) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(StandaloneAlsa, NeitherJackNorAlsaSaysSoInOneLine) {
  // A JACK server name nobody runs, and no ALSA device by that name.
  test_support::set_environment("JACK_DEFAULT_SERVER", "vorn-test-no-server-" + std::to_string(::getpid()));
  test_support::set_environment("JACK_NO_START_SERVER", "1");
  backend_request r;
  r.alsa_device = "vorn_no_such_device";
  std::string error;
  std::unique_ptr<standalone::audio_backend> b;
  const std::string printed = stderr_of([&] { b = standalone::open_sound(r, error); });
  test_support::set_environment("JACK_DEFAULT_SERVER", "");
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(error.rfind("no JACK server is running (vorn-test-no-server-", 0), 0u) << error;
  EXPECT_NE(error.find(" and no ALSA sound device could be opened (vorn_no_such_device: "), std::string::npos)
      << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(StandaloneAlsa, ListingNamesTheCardsOrSaysThereAreNone) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  const bool cards = standalone::list_alsa_ports(out);
  std::fclose(out);
  const std::string listed(text, size);
  std::free(text);
  ASSERT_EQ(listed.rfind("ALSA sound cards:\n", 0), 0u) << listed;
  EXPECT_EQ(listed.find("  (none)\n") == std::strlen("ALSA sound cards:\n"), !cards) << listed;
  EXPECT_TRUE(listed.find("ALSA MIDI sources") != std::string::npos ||
              listed.find("ALSA sequencer: not available") != std::string::npos)
      << listed;
}

}  // namespace
