#include "guilib/style/style_sheet.h"

#include <algorithm>

namespace gui {

namespace {

style_node& find_or_create(style_node& parent, const std::string& name) {
  for (auto& child : parent.children) {
    if (child->name == name) return *child;
  }
  parent.children.push_back(std::make_unique<style_node>());
  parent.children.back()->name = name;
  return *parent.children.back();
}

std::string without_blanks(const std::string& text) {
  std::string out;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted || (c != ' ' && c != '\t' && c != '\r' && c != '\n')) {
      out += c;
    }
  }
  return out;
}

}  // namespace

const style_node* find(const style_node& node, const std::string& name) {
  for (const auto& child : node.children) {
    if (child->name == name) return child.get();
  }
  return nullptr;
}

// One scan with a stack of open blocks (so deep nesting costs memory, not
// call depth): "=" names a key of the current block, ";" gives the key its
// value, "{" opens a block (the key's own after "=", else a named child) and
// "}" closes it.
void style_sheet::parse(const std::string& source) {
  root_.children.clear();
  root_.value.clear();
  if (std::count(source.begin(), source.end(), '{') != std::count(source.begin(), source.end(), '}')) return;
  const std::string text = without_blanks(source);

  std::vector<style_node*> blocks{&root_};
  style_node* key = nullptr;
  char previous = 0;
  size_t mark = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '=' && c != ';' && c != '{' && c != '}') continue;
    const std::string piece = text.substr(mark, i - mark);
    mark = i + 1;
    if (c == '=') {
      if (!piece.empty()) {
        key = &find_or_create(*blocks.back(), piece);
        key->value.clear();
      }
    } else if (c == ';') {
      if (key) key->value = piece;
      key = nullptr;
    } else if (c == '{') {
      if (blocks.size() > max_style_depth) break;
      if (previous == '=' && key) {
        key->value = piece;
        blocks.push_back(key);
      } else {
        blocks.push_back(&find_or_create(*blocks.back(), piece));
      }
      key = nullptr;
    } else {  // '}'
      if (blocks.size() == 1) break;  // a close without an open ends the text
      blocks.pop_back();
      key = nullptr;
    }
    previous = c;
  }
}

}  // namespace gui
