#include "tools/factory/sound_text.h"

#include <cstdlib>
#include <sstream>

#include "tools/factory/trim.h"

namespace factory {

namespace {

constexpr int insert_slots = 4;


bool has_key(const std::vector<setting>& list, const std::string& key) {
  for (const setting& s : list)
    if (s.key == key) return true;
  return false;
}

// "[Insert 2: mDelay]" -> slot 2, "mDelay".
bool parse_insert_header(const std::string& inside, insert_block& out) {
  const std::string prefix = "Insert ";
  const size_t colon = inside.find(':');
  if (inside.compare(0, prefix.size(), prefix) != 0 || colon == std::string::npos) return false;
  const std::string number = trim(inside.substr(prefix.size(), colon - prefix.size()));
  char* end = nullptr;
  const long slot = std::strtol(number.c_str(), &end, 10);
  if (number.empty() || *end || slot < 1 || slot > insert_slots) return false;
  out.slot = int(slot);
  out.effect = trim(inside.substr(colon + 1));
  return !out.effect.empty();
}

class reader {
 public:
  explicit reader(sound_text& out) : out_(out) {}

  bool line(const std::string& raw, int number, std::string& error) {
    const std::string text = trim(raw);
    if (text.empty() || text[0] == '#') return true;
    if (text.front() == '[') return section(text, number, error);
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return fail(number, "expected \"Name: value\"", error);
    setting s{trim(text.substr(0, colon)), trim(text.substr(colon + 1)), number};
    if (s.key.empty() || s.value.empty()) return fail(number, "expected \"Name: value\"", error);
    return store(s, error);
  }

  bool finish(std::string& error) {
    if (out_.name.empty()) return fail(0, "no Name", error);
    return true;
  }

 private:
  enum class place { preset, instance, insert };

  static bool fail(int number, const std::string& why, std::string& error) {
    error = "line " + std::to_string(number) + ": " + why;
    return false;
  }

  bool section(const std::string& text, int number, std::string& error) {
    if (text.back() != ']') return fail(number, "unclosed section", error);
    const std::string inside = trim(text.substr(1, text.size() - 2));
    if (inside == "Instance") {
      if (seen_instance_) return fail(number, "second [Instance]", error);
      seen_instance_ = true;
      where_ = place::instance;
      return true;
    }
    insert_block block;
    block.line = number;
    if (!parse_insert_header(inside, block)) return fail(number, "unknown section [" + inside + "]", error);
    for (const insert_block& b : out_.inserts)
      if (b.slot == block.slot) return fail(number, "insert slot " + std::to_string(block.slot) + " twice", error);
    out_.inserts.push_back(block);
    where_ = place::insert;
    return true;
  }

  bool store(const setting& s, std::string& error) {
    std::vector<setting>* list = &out_.preset;
    if (where_ == place::instance) list = &out_.instance;
    if (where_ == place::insert) list = &out_.inserts.back().values;
    if (where_ == place::preset && (s.key == "Name" || s.key == "Category")) {
      std::string& field = s.key == "Name" ? out_.name : out_.category;
      if (!field.empty()) return fail(s.line, s.key + " twice", error);
      field = s.value;
      return true;
    }
    if (has_key(*list, s.key)) return fail(s.line, "\"" + s.key + "\" twice", error);
    list->push_back(s);
    return true;
  }

  sound_text& out_;
  place where_ = place::preset;
  bool seen_instance_ = false;
};

}  // namespace

bool read_sound_text(const std::string& text, sound_text& out, std::string& error) {
  out = sound_text{};
  reader r(out);
  std::istringstream in(text);
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number)
    if (!r.line(raw, number, error)) return false;
  return r.finish(error);
}

}  // namespace factory
