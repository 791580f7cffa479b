#include "guilib/menu/menu_parser.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace gui {

namespace {

constexpr std::string_view delimiters = ",{}=[]";
constexpr std::string_view command_kinds = "abhlmnpx";

bool is_delimiter(char c) { return delimiters.find(c) != std::string_view::npos; }

// A decimal integer at the start of s (an optional sign, then digits),
// saturating at the int32 range; 0 when there are no digits.
int32_t read_int(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t(INT32_MAX) + 1);
  if (negative) v = -v;
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Values and counters saturate: a hostile "=N" near the int32 limits must not overflow.
int32_t add_saturated(int32_t a, int32_t b) {
  return int32_t(std::clamp<int64_t>(int64_t(a) + b, INT32_MIN, INT32_MAX));
}

struct modifier_mask {
  bool active = false, shift = false, ctrl = false, alt = false;
};

class level_parser;

// Everything the levels of one parse share: the text, the options, the budget.
struct parse_run {
  std::string_view s;
  const menu_options& opt;
  size_t budget = max_menu_items;
};

class level_parser : public menu_adder {
 public:
  level_parser(parse_run& run, menu_level& out, int32_t base, bool highlight, int depth)
      : run_(run), out_(out), base_(base), highlight_(highlight), depth_(depth),
        item_w_(run.opt.item_width), item_h_(run.opt.item_height) {}

  // Parses from pos to the end of the text, or to and over the "}" that
  // closes this level when it is a submenu. True when that "}" was found.
  bool parse(size_t& pos);

  void item(const std::string& text, bool enabled) override {
    menu_item* it = add_item(text, add_saturated(base_, counter_));
    if (it) it->enabled = enabled, it->dynamic = true;
    counter_ = add_saturated(counter_, 1);
  }
  void label(const std::string& text) override { add_label(text); }

 private:
  bool mask_allows() const {
    const menu_options& o = run_.opt;
    return !mask_.active || ((!mask_.shift || o.shift) && (!mask_.ctrl || o.ctrl) && (!mask_.alt || o.alt));
  }
  float scaled(int32_t v) const { return float(v) * run_.opt.scale; }
  int32_t clamp_extent(float v) const { return int32_t(std::clamp(v, 0.f, float(max_menu_extent))); }
  void command(std::string_view body);
  menu_item* add_item(const std::string& text, int32_t value);
  void add_label(const std::string& text);
  void place(menu_item& it);
  bool skip_level(size_t& pos);
  void widen_columns();
  void finish();

  parse_run& run_;
  menu_level& out_;
  int32_t base_;
  bool highlight_;
  int depth_;
  int32_t item_w_, item_h_;
  int32_t counter_ = 0;
  modifier_mask mask_;
  float x_ = 0.f, y_ = 0.f, column_w_ = 0.f, tallest_ = 0.f;
  bool placed_ = false;
  int32_t column_ = 0;                 // the column items are placed in now
  std::vector<int32_t> item_column_;  // by item: its column (-1: not placed)
};

void level_parser::command(std::string_view body) {
  const size_t k = body.find_first_of(command_kinds);
  if (k == std::string_view::npos) return;
  const std::string_view rest = body.substr(k + 1);
  switch (body[k]) {
    case 'x':
      item_w_ = std::clamp(read_int(body.substr(0, k)), 0, max_menu_item_size);
      item_h_ = std::clamp(read_int(rest), 0, max_menu_item_size);
      column_w_ = std::max(column_w_, scaled(item_w_));
      break;
    case 'b':
      base_ = read_int(rest);
      break;
    case 'h':
      highlight_ = read_int(rest) != 0;
      break;
    case 'l':
      // Rows and labels inside a modifier mask show only with its keys, like
      // the items there: "[ms][l]Bank{...}" adds its gap only with Shift.
      if (rest.empty()) {
        if (mask_allows()) y_ = std::min(y_ + scaled(item_h_), float(max_menu_extent));
      } else {
        add_label(std::string(rest));
      }
      break;
    case 'n':
      ++column_;
      tallest_ = std::max(tallest_, y_);
      x_ = std::min(x_ + column_w_, float(max_menu_extent));
      y_ = 0.f;
      column_w_ = 0.f;
      placed_ = false;
      break;
    case 'm':
      mask_ = {};
      if (!rest.empty()) {
        mask_.active = true;
        mask_.shift = rest.find('s') != std::string_view::npos;
        mask_.ctrl = rest.find('c') != std::string_view::npos;
        mask_.alt = rest.find('a') != std::string_view::npos;
      }
      break;
    case 'p':
      if (run_.opt.placeholder) run_.opt.placeholder->populate(out_.path, *this);
      break;
    case 'a':
      (void)read_int(rest);  // read; the built-in menus give it no meaning
      break;
    default:
      break;
  }
}

void level_parser::place(menu_item& it) {
  item_column_.resize(out_.items.size(), -1);
  item_column_[size_t(&it - out_.items.data())] = column_;
  // An item at the edge of the largest panel keeps inside it: the level's
  // extent is clamped, so the item's must be too, or it would reach past
  // the panel it is hit-tested and drawn in.
  const int32_t x = clamp_extent(x_), y = clamp_extent(y_);
  it.area = rect_of(x, y, std::min(int32_t(scaled(item_w_)), max_menu_extent - x),
                    std::min(int32_t(scaled(item_h_)), max_menu_extent - y));
  column_w_ = std::max(column_w_, scaled(item_w_));
  y_ = std::min(y_ + scaled(item_h_), float(max_menu_extent));
  placed_ = true;
}

menu_item* level_parser::add_item(const std::string& text, int32_t value) {
  if (run_.budget == 0) return nullptr;
  --run_.budget;
  menu_item& it = out_.items.emplace_back();
  it.text = text;
  it.value = value;
  it.shown = !text.empty() && mask_allows();
  if (!it.shown) return &it;
  if (placed_) y_ = std::min(y_ + float(run_.opt.spacing), float(max_menu_extent));
  place(it);
  it.highlighted = highlight_ && (value == run_.opt.current || std::find(run_.opt.marked.begin(), run_.opt.marked.end(),
                                                                           value) != run_.opt.marked.end());
  return &it;
}

void level_parser::add_label(const std::string& text) {
  if (run_.budget == 0) return;
  --run_.budget;
  menu_item& it = out_.items.emplace_back();
  it.type = menu_item::kind::label;
  it.text = text;
  it.shown = mask_allows();
  it.enabled = false;
  if (it.shown) place(it);
}

// A submenu too deep to build: its text is passed over, braces balanced.
// True when its closing "}" was found.
bool level_parser::skip_level(size_t& pos) {
  int64_t open = 1;
  for (; pos < run_.s.size() && open > 0; ++pos) {
    if (run_.s[pos] == '{') ++open;
    if (run_.s[pos] == '}') --open;
  }
  return open == 0;
}

// Columns whose texts need more than their width grow; the entries that
// had the column's full width take the new one, and the columns to the
// right move along.
void level_parser::widen_columns() {
  const menu_options& o = run_.opt;
  if (!o.needed_width) return;
  item_column_.resize(out_.items.size(), -1);
  const int32_t cap = int32_t(scaled(o.max_column_width));
  int32_t shift = 0;
  for (int32_t c = 0; c <= column_; ++c) {
    int32_t had = 0, need = 0;
    for (size_t i = 0; i < out_.items.size(); ++i) {
      if (item_column_[i] != c) continue;
      had = std::max(had, out_.items[i].area.width());
      need = std::max(need, std::min(o.needed_width(out_.items[i]), cap));
    }
    const int32_t grow = std::max(0, need - had);
    for (size_t i = 0; i < out_.items.size(); ++i) {
      if (item_column_[i] != c) continue;
      rect& a = out_.items[i].area;
      a = a.moved(shift, 0);
      if (a.width() == had) a.x2 += grow;
    }
    shift += grow;
  }
  x_ += float(shift);
}

void level_parser::finish() {
  widen_columns();
  tallest_ = std::max(tallest_, y_);
  out_.width = clamp_extent(x_ + column_w_);
  out_.height = clamp_extent(tallest_);
}

bool level_parser::parse(size_t& pos) {
  const std::string_view s = run_.s;
  const bool submenu = depth_ > 0;
  while (pos < s.size()) {
    while (pos < s.size() && s[pos] == '[') {
      const size_t close = s.find(']', pos + 1);
      const size_t end = close == std::string_view::npos ? s.size() : close;
      command(s.substr(pos + 1, end - pos - 1));
      pos = close == std::string_view::npos ? s.size() : close + 1;
    }
    if (pos >= s.size()) break;

    const size_t start = pos;
    while (pos < s.size() && !is_delimiter(s[pos])) ++pos;
    const std::string text(s.substr(start, pos - start));

    bool explicit_value = false;
    int32_t number = 0;
    if (pos < s.size() && s[pos] == '=') {
      const size_t n0 = ++pos;
      while (pos < s.size() && !is_delimiter(s[pos])) ++pos;
      number = read_int(s.substr(n0, pos - n0));
      explicit_value = true;
    }
    if (explicit_value) counter_ = number;

    const bool opens = pos < s.size() && s[pos] == '{';
    menu_item* it = nullptr;
    if (!text.empty() || opens || (pos < s.size() && s[pos] == ',') || explicit_value) {
      it = add_item(text, add_saturated(base_, counter_));
    }
    bool advance = false;
    if (opens) {
      ++pos;
      if (it && depth_ + 1 < max_menu_depth) {
        it->submenu = std::make_unique<menu_level>();
        it->submenu->path = out_.path.empty() ? menu_path_name(text) : out_.path + "." + menu_path_name(text);
        level_parser sub(run_, *it->submenu, base_, highlight_, depth_ + 1);
        advance = sub.parse(pos);
      } else {
        advance = skip_level(pos);
      }
    } else if (pos < s.size() && s[pos] == ',') {
      ++pos;
      advance = true;
    } else if (pos < s.size() && s[pos] == '}') {
      ++pos;
      if (submenu) {
        finish();
        return true;
      }
      // A stray "}" at the top ends the item like a "," would not: skipped.
    } else if (pos < s.size() && (s[pos] == ']' || s[pos] == '=')) {
      ++pos;  // a stray delimiter: skipped
    }
    if (advance) counter_ = add_saturated(counter_, 1);
  }
  finish();
  return false;
}

}  // namespace

std::string menu_path_name(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

menu_level parse_menu(std::string_view description, const menu_options& options) {
  menu_level top;
  parse_run run{description, options};
  level_parser p(run, top, 0, true, 0);
  size_t pos = 0;
  p.parse(pos);
  return top;
}

const menu_item* find_menu_value(const menu_level& level, int32_t value) {
  for (const menu_item& it : level.items) {
    if (it.type == menu_item::kind::choice && it.value == value && !it.text.empty()) return &it;
    if (it.submenu)
      if (const menu_item* f = find_menu_value(*it.submenu, value)) return f;
  }
  return nullptr;
}

size_t count_menu_items(const menu_level& level) {
  size_t n = level.items.size();
  for (const menu_item& it : level.items)
    if (it.submenu) n += count_menu_items(*it.submenu);
  return n;
}

}  // namespace gui
