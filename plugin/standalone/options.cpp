#include "plugin/standalone/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace standalone {

namespace {

// The value of an option that takes one: "--state FILE" or "--state=FILE".
// Null (and `error` set) when it is missing.
const char* option_value(const char* name, const char* arg, int argc, const char* const* argv, int& i,
                         std::string& error) {
  const size_t n = std::strlen(name);
  if (arg[n] == '=') return arg + n + 1;
  if (i + 1 < argc) return argv[++i];
  error = std::string(name) + " needs a value";
  return nullptr;
}

bool matches(const char* arg, const char* name) {
  const size_t n = std::strlen(name);
  return std::strncmp(arg, name, n) == 0 && (arg[n] == 0 || arg[n] == '=');
}

bool parse_seconds(const char* text, double& out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != 0 || !std::isfinite(v) || v <= 0.0 || v > max_run_seconds) return false;
  out = v;
  return true;
}

}  // namespace

bool parse_options(int argc, const char* const* argv, options& out, std::string& error) {
  out = options{};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      out.help = true;
    } else if (std::strcmp(arg, "--list-ports") == 0) {
      out.list_ports = true;
    } else if (std::strcmp(arg, "--no-gui") == 0) {
      out.no_gui = true;
    } else if (matches(arg, "--state") || matches(arg, "--midi")) {
      const bool state = matches(arg, "--state");
      const char* v = option_value(state ? "--state" : "--midi", arg, argc, argv, i, error);
      if (!v) return false;
      if (!*v) {
        error = state ? "--state needs a file name" : "--midi needs a port name";
        return false;
      }
      (state ? out.state_file : out.midi_port) = v;
    } else if (matches(arg, "--run-for")) {
      const char* v = option_value("--run-for", arg, argc, argv, i, error);
      if (!v) return false;
      if (!parse_seconds(v, out.run_seconds)) {
        error = std::string("--run-for takes seconds (0 < s <= 86400), not \"") + v + "\"";
        return false;
      }
    } else {
      error = std::string("unknown option ") + arg + " (see --help)";
      return false;
    }
  }
  return true;
}

const char* usage_text() {
  return "usage: vorn-standalone [options]\n"
         "Plays Vorn through JACK, or through ALSA when no JACK server runs.\n"
         "  --state FILE     start with the sound in FILE (.vornstate) instead of the last session\n"
         "  --midi PORT      listen to MIDI from PORT (a JACK port name, or an ALSA client:port)\n"
         "  --list-ports     list the MIDI sources and audio outputs, then end\n"
         "  --no-gui         no window; Ctrl+C ends (the session is saved as on closing the window)\n"
         "  --run-for SECS   end by itself after SECS seconds\n"
         "  --help           this text\n"
         "Without a MIDI keyboard the computer keyboard plays: Z S X D C V G B H N J M and\n"
         "Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P are two octaves of keys; Left and Right shift the octave.\n"
         "The session (the whole state) is saved on quit into the user data folder.\n";
}

}  // namespace standalone
