#include "tools/lv2ttl/preset_ttl.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "plugin/lv2/uris.h"
#include "synth/engine.h"
#include "tools/factory/sound_index.h"
#include "tools/lv2ttl/ttl_text.h"

namespace lv2ttl {

namespace {

using namespace plugin::lv2;

using factory::sound_row;

constexpr const char* prefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

bool fail(const std::string& what) {
  std::fprintf(stderr, "vorn-lv2ttl: %s\n", what.c_str());
  return false;
}

bool read_index(const std::string& path, std::vector<sound_row>& out) {
  out = factory::read_sound_index(path);
  for (const sound_row& row : out)
    if (row.slot < 0 || row.slot >= synth::bank_size) return fail("bad slot in " + path);
  if (out.empty()) return fail("no sounds in " + path);
  return true;
}

std::string preset_uri(int slot) { return "<" + std::string(preset_uri_prefix) + std::to_string(slot) + ">"; }
std::string bank_uri(const std::string& category) {
  return "<" + std::string(bank_uri_prefix) + symbol_of(category) + ">";
}

// The state the sound plays in, with its program selected, and its values.
bool sound_state(const std::string& factory_dir, const sound_row& row, std::vector<uint8_t>& bytes,
                 std::vector<float>& values) {
  auto engine = std::make_unique<synth::synth>();
  const std::string bank = factory_dir + "/Vorn Factory.vornbank";
  if (!files::load_bank_into(*engine, bank).empty()) return fail("cannot load " + bank);
  if (!row.state.empty()) {
    const std::string path = factory_dir + "/" + row.state;
    if (!files::load_state_file(path, *engine).empty()) return fail("cannot load " + path);
  }
  engine->select_program(row.slot);
  bytes.resize(files::write_state(nullptr, *engine));
  bytes.resize(files::write_state(bytes.data(), *engine));
  values.clear();
  for (int i = 0; i < synth::preset_param_count; ++i) values.push_back(engine->get_param_normalised(i));
  return true;
}

std::string preset_text(const sound_row& row, const std::vector<uint8_t>& bytes, const std::vector<float>& values,
                        const std::vector<std::string>& symbols) {
  std::string out = preset_uri(row.slot) + "\n";
  out += "    a pset:Preset ;\n";
  out += "    lv2:appliesTo <" + std::string(plugin_uri) + "> ;\n";
  out += "    rdfs:label " + quoted(row.name) + " ;\n";
  out += "    pset:bank " + bank_uri(row.category) + " ;\n";
  out += "    lv2:port ";
  for (size_t i = 0; i < values.size(); ++i) {
    out += std::string(i ? " , " : "") + "[ lv2:symbol " + quoted(symbols[i]) + " ; pset:value " +
           number(values[i]) + " ]";
  }
  out += " ;\n";
  out += "    state:state [\n        <" + std::string(state_key_uri) + "> \"" +
         base64(bytes.data(), bytes.size()) + "\"^^xsd:base64Binary\n    ] .\n\n";
  return out;
}

bool store(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return out ? true : fail("cannot write " + path);
}

}  // namespace

bool write_presets(const std::string& factory_dir, const std::string& bundle_dir,
                   const std::vector<std::string>& symbols) {
  std::vector<sound_row> rows;
  if (!read_index(factory_dir + "/sounds.tsv", rows)) return false;
  std::string manifest = prefixes;
  std::string presets = prefixes;
  std::set<std::string> categories;
  for (const sound_row& row : rows) {
    std::vector<uint8_t> bytes;
    std::vector<float> values;
    if (!sound_state(factory_dir, row, bytes, values)) return false;
    manifest += preset_uri(row.slot) + "\n    a pset:Preset ;\n    lv2:appliesTo <" + plugin_uri +
                "> ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    presets += preset_text(row, bytes, values, symbols);
    categories.insert(row.category);
  }
  for (const std::string& c : categories) {
    presets += bank_uri(c) + "\n    a pset:Bank ;\n    rdfs:label " + quoted(c) + " .\n\n";
  }
  return store(bundle_dir + "/manifest.ttl", manifest) && store(bundle_dir + "/presets.ttl", presets);
}

}  // namespace lv2ttl
