// Style sheets: nested "key = value;" statements and named blocks,
//   corner size = 4.0;
//   background { color = gray(1 / 64); }
// Blanks, tabs and line breaks are dropped except inside double quotes (the
// quotes themselves go too), so "corner size" is the key `cornersize`.
// "key = value { ... }" gives the key a value and a block. A text whose "{"
// and "}" counts differ yields an empty tree. Values stay text: numbers are
// read with plain decimal conversion by their users, colours with parse_color.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace gui {

struct style_node {
  std::string name;
  std::string value;
  std::vector<std::unique_ptr<style_node>> children;  // in order of first appearance
};

// Blocks nested deeper than this end the parse (what was read stays): no
// built-in style comes near it, and it bounds the tree's depth.
constexpr size_t max_style_depth = 64;

class style_sheet {
 public:
  void parse(const std::string& text);
  const style_node& root() const { return root_; }

 private:
  style_node root_;
};

// The child named exactly name, or none.
const style_node* find(const style_node& node, const std::string& name);

}  // namespace gui
