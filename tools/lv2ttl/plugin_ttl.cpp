#include "tools/lv2ttl/plugin_ttl.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "plugin/lv2/uris.h"
#include "synth/engine.h"
#include "tools/lv2ttl/ttl_text.h"

namespace lv2ttl {

namespace {

using namespace plugin::lv2;

constexpr const char* prefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "\n";

std::string uri(const char* text) { return std::string("<") + text + ">"; }

// Display text of parameter `index` at `normalised`, in a scratch engine.
std::string display_at(synth::synth& engine, int index, float normalised) {
  engine.set_param_normalised(index, normalised);
  char text[64];
  engine.display_param(index, engine.current_program(), text, sizeof text);
  return text;
}

std::string stepped_port_tail(synth::synth& engine, int index, int values) {
  std::string out;
  if (values == 2) return "        lv2:portProperty lv2:toggled ;\n";
  out += "        lv2:portProperty lv2:enumeration ;\n";
  out += "        lv2:scalePoint ";
  std::set<std::string> seen;
  for (int k = 0; k < values; ++k) {
    const float at = float(k) / float(values - 1);
    std::string label = display_at(engine, index, at);
    // Each point needs its own label: a repeated display text gets its step.
    if (label.empty() || !seen.insert(label).second) label += " (" + std::to_string(k) + ")";
    out += std::string(k ? ", " : "") + "[ rdfs:label " + quoted(label) + " ; rdf:value " + number(at) + " ]";
  }
  return out + " ;\n";
}

// No units:unit on the parameter ports: they carry the normalised 0..1 the
// hosts automate, not the value the display shows, so "Hz" or "dB" there
// would make a host label 0.5 as "0.5 Hz". The display texts reach hosts as
// the stepped parameters' scale point labels; the continuous ones show
// their real value only in the editor.
std::string parameter_port(synth::synth& engine, int index, const std::string& symbol) {
  const synth::param_info& row = synth::param_row(index);
  char name[64];
  synth::full_name(index, name, sizeof name);
  // The table's default, as the instance tells its shells: a port still at
  // it changes nothing when the plug-in first runs.
  const float def = std::clamp(synth::to_normalised(index, row.def), 0.f, 1.f);
  std::string out = "    [\n";
  out += "        a lv2:InputPort , lv2:ControlPort ;\n";
  out += "        lv2:index " + std::to_string(first_param_port + index) + " ;\n";
  out += "        lv2:symbol " + quoted(symbol) + " ;\n";
  out += "        lv2:name " + quoted(name) + " ;\n";
  out += "        lv2:default " + number(def) + " ;\n";
  out += "        lv2:minimum 0.0 ;\n";
  out += "        lv2:maximum 1.0 ;\n";
  if (row.is_integer) {
    const int values = int(row.max) - int(row.min) + 1;
    const float was = engine.get_param_normalised(index);
    const std::string tail = stepped_port_tail(engine, index, values);
    engine.set_param_normalised(index, was);
    out += tail;
  }
  out.resize(out.size() - 3);  // the last " ;\n"
  return out + "\n    ]";
}

std::string audio_output(int index, const char* symbol, const char* name) {
  return std::string("[\n") + "        a lv2:OutputPort , lv2:AudioPort ;\n" + "        lv2:index " +
         std::to_string(index) + " ;\n" + "        lv2:symbol \"" + symbol + "\" ;\n" + "        lv2:name \"" + name +
         "\"\n" + "    ]";
}

std::string fixed_ports() {
  std::string out;
  out += "    [\n";
  out += "        a lv2:InputPort , atom:AtomPort ;\n";
  out += "        atom:bufferType atom:Sequence ;\n";
  out += "        atom:supports midi:MidiEvent , time:Position , atom:Object ;\n";
  out += "        lv2:designation lv2:control ;\n";
  out += "        lv2:index " + std::to_string(events_port) + " ;\n";
  out += "        lv2:symbol \"events\" ;\n";
  out += "        lv2:name \"Events\" ;\n";
  out += "        rsz:minimumSize 16384\n";
  out += "    ] , ";
  out += audio_output(left_port, "out_left", "Left") + " , " + audio_output(right_port, "out_right", "Right");
  return out;
}

// The UI's messages back: the plug-in's state in pieces, acknowledgements, and the MIDI it received.
std::string notify_output() {
  std::string out = "    [\n";
  out += "        a lv2:OutputPort , atom:AtomPort ;\n";
  out += "        atom:bufferType atom:Sequence ;\n";
  out += "        atom:supports atom:Object , midi:MidiEvent ;\n";
  out += "        lv2:index " + std::to_string(notify_port) + " ;\n";
  out += "        lv2:symbol \"notify\" ;\n";
  out += "        lv2:name \"Notify\" ;\n";
  out += "        rsz:minimumSize 16384\n";
  out += "    ]";
  return out;
}

// The UI hears every parameter port and the notify port.
std::string port_notifications(const std::vector<std::string>& symbols) {
  std::string out;
  auto one = [&](const std::string& symbol, const char* kind) {
    out += "    ui:portNotification [\n";
    out += "        ui:plugin " + uri(plugin_uri) + " ;\n";
    out += "        lv2:symbol " + quoted(symbol) + " ;\n";
    out += std::string("        ") + kind + "\n";
    out += "    ] ;\n";
  };
  for (const std::string& symbol : symbols) one(symbol, "ui:protocol ui:floatProtocol");
  one("notify", "ui:notifyType atom:Object , midi:MidiEvent");
  return out;
}

}  // namespace

std::vector<std::string> port_symbols() {
  std::set<std::string> taken = {"events", "out_left", "out_right", "notify"};
  std::vector<std::string> out;
  for (int i = 0; i < synth::preset_param_count; ++i) {
    char name[64];
    synth::full_name(i, name, sizeof name);
    std::string symbol = symbol_of(name);
    if (!taken.insert(symbol).second) symbol.append("_").append(std::to_string(i));
    taken.insert(symbol);
    out.push_back(symbol);
  }
  return out;
}

std::string plugin_manifest() {
  std::string out = prefixes;
  out += uri(plugin_uri) + "\n";
  out += "    a lv2:Plugin , lv2:InstrumentPlugin ;\n";
  out += "    lv2:binary <" + std::string(dsp_binary) + "> ;\n";
  out += "    rdfs:seeAlso <vorn.ttl> .\n\n";
  out += uri(ui_uri) + "\n";
  out += "    a ui:X11UI ;\n";
  out += "    ui:binary <" + std::string(ui_binary) + "> ;\n";
  out += "    rdfs:seeAlso <vorn.ttl> .\n";
  return out;
}

std::string plugin_description() {
  auto engine = std::make_unique<synth::synth>();  // base values in every slot
  std::string out = prefixes;
  out += "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n";
  out += uri(plugin_uri) + "\n";
  out += "    a lv2:Plugin , lv2:InstrumentPlugin ;\n";
  out += "    doap:name \"Vorn\" ;\n";
  out += "    lv2:minorVersion 880 ;\n";
  out += "    lv2:microVersion 0 ;\n";
  out += "    lv2:requiredFeature urid:map ;\n";
  // The worker is optional: without it the plug-in plays and keeps the
  // host's states, and only the UI's edits other than parameters stay in
  // the UI (see plugin/lv2/lv2_plugin.h).
  out += "    lv2:optionalFeature lv2:hardRTCapable , lv2:isLive , work:schedule ;\n";
  out += "    lv2:extensionData state:interface , work:interface ;\n";
  out += "    ui:ui " + uri(ui_uri) + " ;\n";
  out += "    lv2:port\n";
  out += fixed_ports();
  const std::vector<std::string> symbols = port_symbols();
  for (int i = 0; i < synth::preset_param_count; ++i) out += " , " + parameter_port(*engine, i, symbols[size_t(i)]);
  out += " ,\n" + notify_output() + " .\n\n";
  // The one key of the plug-in's state: the "vorn" state bytes.
  out += uri(state_key_uri) + "\n";
  out += "    a rdf:Property ;\n";
  out += "    rdfs:label \"Vorn state\" ;\n";
  out += "    rdfs:comment \"The instance state bytes, as the VST chunk carries them.\" .\n\n";
  out += uri(ui_uri) + "\n";
  out += "    a ui:X11UI ;\n";
  // The UI edits a mirror instance of its own: no instance access.
  out += "    lv2:requiredFeature urid:map , ui:parent , ui:idleInterface ;\n";
  out += "    lv2:optionalFeature ui:resize , ui:touch ;\n";
  out += "    lv2:extensionData ui:idleInterface ;\n";
  out += port_notifications(symbols);
  out.resize(out.size() - 3);  // the last " ;\n"
  out += " .\n";
  return out;
}

}  // namespace lv2ttl
