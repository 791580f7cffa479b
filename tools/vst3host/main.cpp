// vorn-vst3host: a small VST 3 host for checking a bundle from the command
// line.
//   vorn-vst3host list BUNDLE                       classes and parameters
//   vorn-vst3host render BUNDLE MIDI OUT.wav [--state IN] [--save-state OUT]
//                 [--rate HZ] [--block N] [--tail SECONDS]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_open.h"
#include "tools/vst3host/midi_render.h"

namespace {

using namespace vst3host;

int usage() {
  std::fprintf(stderr,
               "usage: vorn-vst3host list BUNDLE\n"
               "       vorn-vst3host render BUNDLE MIDI OUT.wav [--state IN] [--save-state OUT]\n"
               "                     [--rate HZ] [--block N] [--tail SECONDS]\n");
  return 2;
}

bool read_file(const std::string& path, std::vector<uint8_t>& out) {
  std::FILE* f = platform::open_file(path, "rb");
  if (!f) return false;
  out.clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = platform::open_file(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string flag_text(int32_t flags) {
  std::string t;
  if (flags & vst3::kCanAutomate) t += " automatable";
  if (flags & vst3::kIsList) t += " list";
  if (flags & vst3::kIsHidden) t += " hidden";
  if (flags & vst3::kIsReadOnly) t += " read-only";
  if (flags & vst3::kIsProgramChange) t += " program-change";
  return t;
}

int list(const std::string& bundle) {
  module_library module;
  std::string error;
  if (!module.open(bundle, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("module %s\n", module.binary_path().c_str());
  for (const class_listing& c : list_classes(*module.factory()))
    std::printf("class %s \"%s\" %s [%s] %s %s\n", c.cid.c_str(), c.name.c_str(), c.category.c_str(),
                c.sub_categories.c_str(), c.vendor.c_str(), c.version.c_str());
  plugin3 plugin;
  if (!plugin.create(module, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::vector<parameter_listing> params = plugin.parameters();
  int hidden = 0;
  for (const parameter_listing& p : params) {
    if (p.flags & vst3::kIsHidden) {
      ++hidden;
      continue;
    }
    vst3::char16 text[128] = {};
    plugin.controller()->getParamStringByValue(p.id, p.default_value, text);
    std::printf("param %4u %-24s steps %3d default %.4f \"%s\" %s%s\n", unsigned(p.id), p.title.c_str(),
                p.step_count, p.default_value, narrow(text, 128).c_str(), p.units.c_str(),
                flag_text(p.flags).c_str());
  }
  std::printf("%zu parameters, %d of them hidden (MIDI controllers)\n", params.size(), hidden);
  return 0;
}

int render_command(int argc, char** argv) {
  if (argc < 5) return usage();
  const std::string bundle = argv[2], midi_path = argv[3], out_path = argv[4];
  std::string state_in, state_out;
  double rate = plugin3::default_sample_rate, tail = 2.0;
  int32_t block = plugin3::default_block_size;
  for (int i = 5; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return usage();
    if (a == "--state") state_in = argv[++i];
    else if (a == "--save-state") state_out = argv[++i];
    else if (a == "--rate") rate = std::atof(argv[++i]);
    else if (a == "--block") block = std::atoi(argv[++i]);
    else if (a == "--tail") tail = std::atof(argv[++i]);
    else return usage();
  }
  if (!(rate >= 8000.0 && rate <= 384000.0) || block < 1 || block > 8192 || !(tail >= 0.0 && tail <= 60.0))
    return usage();
  std::string error;
  midi::song song;
  if (!midi::read_file(midi_path, song, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  module_library module;
  plugin3 plugin;
  if (!module.open(bundle, error) || !plugin.create(module, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!state_in.empty()) {
    std::vector<uint8_t> bytes;
    if (!read_file(state_in, bytes) || !plugin.load_state(bytes)) {
      std::fprintf(stderr, "%s: the plug-in did not take this state\n", state_in.c_str());
      return 1;
    }
  }
  stereo_audio audio;
  if (!plugin.start(rate, block) || !render_song(plugin, song, rate, tail, audio, error) ||
      !write_wav(out_path, audio, int32_t(rate), error)) {
    std::fprintf(stderr, "%s\n", error.empty() ? "the plug-in would not start" : error.c_str());
    return 1;
  }
  if (!state_out.empty()) {
    std::vector<uint8_t> bytes;
    if (!plugin.save_state(bytes) || !write_file(state_out, bytes)) {
      std::fprintf(stderr, "%s: cannot save the state\n", state_out.c_str());
      return 1;
    }
  }
  std::printf("%s: %zu frames at %.0f Hz\n", out_path.c_str(), audio.left.size(), rate);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "list") == 0) return list(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return render_command(argc, argv);
  return usage();
}
