// vorn-render: loads a VST 2.4 instrument the way a host does and either
// describes it (--info) or renders MIDI, or a song its own player plays,
// through it to a WAV or FLAC file.
#include <cstdio>
#include <string>

#include "tools/render/commands.h"
#include "tools/render/options.h"

int main(int argc, char** argv) {
  render::options o;
  std::string error;
  if (!render::parse_options(argc, argv, o, error)) {
    std::fprintf(stderr, "vorn-render: %s\n%s", error.c_str(), render::usage_text().c_str());
    return 2;
  }
  switch (o.what) {
    case render::command::info:
      return render::run_info(o);
    case render::command::midi:
    case render::command::note:
      return render::run_render(o);
    case render::command::sequence:
      return render::run_sequence(o);
    case render::command::list_fx:
      return render::run_list_fx();
    case render::command::editor_shot:
      return render::run_editor_shot(o);
    case render::command::help:
      break;
  }
  std::fputs(render::usage_text().c_str(), stdout);
  return argc > 1 ? 0 : 2;
}
