#include "tools/render/plugin_report.h"

#include <cstdio>
#include <cstdarg>

namespace render {

namespace {

void append(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  out += buf;
}

const char* category_name(int32_t category) {
  static const char* const names[] = {"unknown",  "effect",     "synth",     "analysis",
                                      "mastering", "spacializer", "room fx",  "surround fx",
                                      "restoration", "offline process", "shell", "generator"};
  return category >= 0 && category < int32_t(std::size(names)) ? names[category] : "?";
}

const char* can_do_text(intptr_t answer) { return answer > 0 ? "yes" : answer < 0 ? "no" : "unknown"; }

// Every numeric field as the plug-in filled it, whatever its flags declare
// valid, then the names of the flags that are set.
std::string property_text(const VstParameterProperties& p) {
  std::string out;
  append(out, "flags 0x%x int %d..%d step %d/%d float step %g/%g/%g", unsigned(p.flags), p.minInteger,
         p.maxInteger, p.stepInteger, p.largeStepInteger, double(p.stepFloat), double(p.smallStepFloat),
         double(p.largeStepFloat));
  if (p.flags & kVstParameterIsSwitch) out += " switch";
  if (p.flags & kVstParameterUsesIntegerMinMax) out += " int-range";
  if (p.flags & kVstParameterUsesIntStep) out += " int-step";
  if (p.flags & kVstParameterUsesFloatStep) out += " float-step";
  if (p.flags & kVstParameterCanRamp) out += " ramp";
  if ((p.flags & kVstParameterSupportsDisplayCategory) && p.categoryLabel[0]) {
    char label[sizeof p.categoryLabel + 1] = {};
    std::snprintf(label, sizeof label, "%.*s", int(sizeof p.categoryLabel), p.categoryLabel);
    append(out, " category \"%s\"", label);
  }
  return out;
}

}  // namespace

std::string fourcc_text(int32_t id) {
  // An id is shown as its four bytes in memory order (how this plug-in family
  // defines it), then as the value and its FourCC reading (first character in
  // the top byte), which is what some hosts print.
  char conventional[5] = {}, memory[5] = {};
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    conventional[i] = char((uint32_t(id) >> (24 - 8 * i)) & 0xff);
    memory[3 - i] = conventional[i];
    printable = printable && conventional[i] >= 0x20 && conventional[i] < 0x7f;
  }
  char buf[64];
  if (printable)
    std::snprintf(buf, sizeof buf, "%s (0x%08x, FourCC \"%s\")", memory, unsigned(id), conventional);
  else
    std::snprintf(buf, sizeof buf, "0x%08x", unsigned(id));
  return buf;
}

std::string flags_text(int32_t flags) {
  static const struct {
    int32_t bit;
    const char* name;
  } known[] = {{effFlagsHasEditor, "HasEditor"},         {effFlagsCanReplacing, "CanReplacing"},
               {effFlagsProgramChunks, "ProgramChunks"}, {effFlagsIsSynth, "IsSynth"},
               {effFlagsNoSoundInStop, "NoSoundInStop"}, {effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
  std::string out;
  append(out, "0x%x", unsigned(flags));
  std::string names;
  for (const auto& k : known)
    if (flags & k.bit) names += names.empty() ? k.name : std::string(" ") + k.name;
  if (!names.empty()) out += " (" + names + ")";
  return out;
}

std::string identity_report(vsthost::plugin_instance& p) {
  const AEffect* e = p.effect();
  std::string out;
  if (!e) return "no effect\n";
  if (e->magic == kEffectMagic)
    out += "magic            kEffectMagic\n";
  else
    append(out, "magic            0x%08x (not kEffectMagic)\n", unsigned(e->magic));
  append(out, "unique id        %s\n", fourcc_text(e->uniqueID).c_str());
  append(out, "version          %d\n", e->version);
  append(out, "programs         %d\n", e->numPrograms);
  append(out, "parameters       %d\n", e->numParams);
  append(out, "inputs           %d\n", e->numInputs);
  append(out, "outputs          %d\n", e->numOutputs);
  append(out, "flags            %s\n", flags_text(e->flags).c_str());
  append(out, "initial delay    %d\n", e->initialDelay);
  append(out, "effect name      %s\n", p.effect_name().c_str());
  append(out, "vendor           %s\n", p.vendor().c_str());
  append(out, "product          %s\n", p.product().c_str());
  append(out, "vendor version   %d\n", p.vendor_version());
  const int32_t category = p.category();
  append(out, "category         %d (%s)\n", category, category_name(category));
  append(out, "VST version      %d\n", p.vst_version());
  append(out, "receives MIDI    %s\n", can_do_text(p.can_do("receiveVstMidiEvent")));
  return out;
}

std::string programs_report(vsthost::plugin_instance& p) {
  std::string out;
  append(out, "programs (%d):\n", p.num_programs());
  for (int32_t i = 0; i < p.num_programs(); ++i) {
    const std::string name = p.program_name(i);
    append(out, "  %3d  %s\n", i, name.empty() ? "(no name reported)" : name.c_str());
  }
  return out;
}

std::string parameters_report(vsthost::plugin_instance& p) {
  std::string out;
  append(out, "parameters (%d):\n", p.num_params());
  for (int32_t i = 0; i < p.num_params(); ++i) {
    const std::string display = p.param_display(i);
    const std::string label = p.param_label(i);
    const std::string shown = label.empty() ? display : display + " " + label;
    append(out, "  %3d  %-24s %-16s value %.4f", i, p.param_name(i).c_str(), shown.c_str(),
           double(p.get_parameter(i)));
    VstParameterProperties props;
    if (p.param_properties(i, props))
      out += "  [" + property_text(props) + "]";
    out += "\n";
  }
  return out;
}

}  // namespace render
