#include "guilib/style/expression.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace gui {

namespace {

constexpr const char* operator_chars = "(),=!#%^&*-+/<>|~?";
constexpr const char* number_chars = "1234567890.eE+-";

bool is_operator_char(char c) { return c != 0 && std::strchr(operator_chars, c) != nullptr; }
bool is_number_char(char c) { return c != 0 && std::strchr(number_chars, c) != nullptr; }

int precedence(char op) {
  switch (op) {
    case '=': return 1;
    case '&': case '|': return 2;
    case '<': case '>': return 3;
    case '+': case '-': return 4;
    case '*': case '/': case '%': return 5;
    case '^': return 6;
    default: return 0;
  }
}

// The decimal value of the longest valid prefix of [p, end); 0 if none.
double parse_number(const char* p, const char* end) {
  double v = 0.0;
  std::from_chars(p, end, v, std::chars_format::general);
  return v;
}

bool apply_binary(char op, double a, double b, double& out) {
  switch (op) {
    case '+': out = a + b; return true;
    case '-': out = a - b; return true;
    case '*': out = a * b; return true;
    case '/': if (b == 0.0) return false; out = a / b; return true;
    case '%': if (b == 0.0) return false; out = (a / b - std::trunc(a / b)) * b; return true;
    case '^':
      if (a == 0.0 && b < 0.0) return false;
      if (a < 0.0 && b != std::floor(b)) return false;
      out = std::pow(a, b);
      return true;
    case '&': out = std::min(a, b); return true;
    case '|': out = std::max(a, b); return true;
    case '<': out = a * std::exp2(b); return true;
    case '>': out = a * std::exp2(-b); return true;
    default: return false;  // '?' and anything else
  }
}

}  // namespace

size_t expression_evaluator::variable_index(const std::string& name) {
  for (size_t i = 0; i < vars_.size(); ++i) {
    if (vars_[i].name == name) return i;
  }
  vars_.push_back({name, 0.0});
  return vars_.size() - 1;
}

double expression_evaluator::variable(const std::string& name) const {
  for (const variable_slot& v : vars_) {
    if (v.name == name) return v.value;
  }
  return 0.0;
}

float expression_evaluator::evaluate(const char* text) {
  if (!text) return float(result_);
  const char* p = text;
  while (true) {
    const char* semi = std::strchr(p, ';');
    const char* end = semi ? semi : p + std::strlen(p);
    statement(p, end);
    if (!semi) break;
    p = semi + 1;
  }
  return float(result_);
}

// Reads tokens and converts them to postfix (operator precedence), then runs
// the postfix list. False when the statement fails.
bool expression_evaluator::statement(const char* p, const char* end) {
  std::vector<token> queue, stack;
  queue.reserve(max_queue);
  stack.reserve(max_stack);
  auto to_queue = [&queue](const token& t) {
    if (queue.size() < max_queue) queue.push_back(t);
  };
  auto to_stack = [&stack](const token& t) {
    if (stack.size() < max_stack) stack.push_back(t);
  };
  bool expect_operand = true;
  bool last_was_operator = false;

  while (true) {
    while (p < end && *p == ' ') ++p;
    if (p >= end) break;
    const char c = *p;
    token t;
    if (!is_operator_char(c)) {
      if ((c >= '0' && c <= '9') || c == '.') {
        // A sign belongs to the number only as an exponent's sign ("2.5e-1"):
        // taking every "+" and "-" into the run would read "1-2" as 1.
        const char* q = p;
        while (q < end && is_number_char(*q) && (std::isdigit(static_cast<unsigned char>(*q)) || *q == '.' ||
                                                 *q == 'e' || *q == 'E' || q[-1] == 'e' || q[-1] == 'E'))
          ++q;
        t.k = kind::number;
        t.value = parse_number(p, q);
        p = q;
      } else {
        const char* q = p;
        while (q < end && !is_operator_char(*q) && *q != ' ') ++q;
        t.k = kind::variable;
        t.var = variable_index(std::string(p, q));
        t.value = vars_[t.var].value;
        p = q;
      }
      to_queue(t);
      expect_operand = false;
      last_was_operator = false;
      continue;
    }
    const bool two_char_shift = (c == '<' || c == '>') && p + 1 < end && p[1] == c;
    if (c == '=' && !expect_operand) {
      t.k = kind::assign;
    } else if (expect_operand && std::strchr("+-~=", c)) {
      t.k = kind::unary;
    } else if ((std::strchr("+-*/^&|?%", c) && !(c == '&' && expect_operand)) || two_char_shift) {
      t.k = kind::binary;
    } else if (c == '(') {
      t.k = kind::open;
    } else if (c == ')') {
      t.k = kind::close;
    } else if (c == ',') {
      t.k = kind::comma;
    } else {
      break;  // a character the language does not know ends the statement
    }
    t.op = c;
    p += two_char_shift ? 2 : 1;

    switch (t.k) {
      case kind::binary:
      case kind::assign: {
        const int prec = precedence(c);
        while (!stack.empty() && stack.back().k != kind::open &&
               (stack.back().k == kind::unary || precedence(stack.back().op) >= prec)) {
          to_queue(stack.back());
          stack.pop_back();
        }
        if (t.k == kind::assign) {
          if (queue.empty() || queue.back().k != kind::variable) return false;
          t.var = queue.back().var;
          queue.pop_back();
        }
        to_stack(t);
        expect_operand = true;
        last_was_operator = true;
        break;
      }
      case kind::unary:
      case kind::open:
        to_stack(t);
        expect_operand = true;
        last_was_operator = t.k == kind::unary;
        break;
      case kind::close: {
        while (!stack.empty() && stack.back().k != kind::open) {
          to_queue(stack.back());
          stack.pop_back();
        }
        if (stack.empty()) return false;
        stack.pop_back();
        expect_operand = false;
        last_was_operator = false;
        break;
      }
      case kind::comma: {
        while (!stack.empty() && stack.back().k != kind::open) {
          to_queue(stack.back());
          stack.pop_back();
        }
        if (stack.empty()) return false;
        expect_operand = true;
        last_was_operator = false;
        break;
      }
      default:
        break;
    }
  }
  if (last_was_operator) return false;
  while (!stack.empty()) {
    if (stack.back().k == kind::open) return false;
    to_queue(stack.back());
    stack.pop_back();
  }
  return run_postfix(queue);
}

// Standard postfix evaluation: each operator replaces itself and its operands
// by a number. Success needs exactly one number at the end.
bool expression_evaluator::run_postfix(const std::vector<token>& postfix) {
  std::vector<token> items;
  items.reserve(postfix.size());
  for (const token& t : postfix) {
    if (t.k == kind::number || t.k == kind::variable) {
      items.push_back(t);
      continue;
    }
    token v;
    v.k = kind::number;
    if (t.k == kind::binary) {
      if (items.size() < 2) return false;
      const double b = items.back().value;
      items.pop_back();
      const double a = items.back().value;
      items.pop_back();
      if (!apply_binary(t.op, a, b, v.value)) return false;
    } else if (t.k == kind::unary || t.k == kind::assign) {
      if (items.empty()) return false;
      const double a = items.back().value;
      items.pop_back();
      if (t.k == kind::assign) {
        vars_[t.var].value = a;
        v.value = a;
      } else if (t.op == '=') {
        return false;
      } else {
        v.value = t.op == '+' ? a : -a;
      }
    } else {
      return false;
    }
    items.push_back(v);
  }
  if (items.size() != 1 || items[0].k != kind::number) return false;
  result_ = items[0].value;
  return true;
}

}  // namespace gui
