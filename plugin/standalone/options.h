// The application's command line. Parsing is pure (no I/O), so it is tested
// on its own; main prints the usage or the error it reports.
#pragma once

#include <cstdint>
#include <string>

namespace standalone {

struct options {
  std::string state_file;   // --state FILE: the sound to start with instead of the last session
  std::string midi_port;    // --midi PORT: a MIDI output to listen to (JACK port or ALSA client:port)
  bool list_ports = false;  // --list-ports: print the MIDI sources and audio sinks, then end
  bool no_gui = false;      // --no-gui: no window; ends on SIGINT / SIGTERM (or --run-for)
  bool help = false;        // --help, -h
  // --run-for SECONDS: ends by itself after this long (0: runs until told to
  // end). For unattended runs and tests.
  double run_seconds = 0.0;
};

// The longest --run-for accepted: a day.
constexpr double max_run_seconds = 86400.0;

// Reads argv[1..argc-1]. False with `error` set ("unknown option --x",
// "--state needs a file name") when the line cannot be used.
bool parse_options(int argc, const char* const* argv, options& out, std::string& error);

// The --help text, one option per line.
const char* usage_text();

}  // namespace standalone
