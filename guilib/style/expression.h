// A small arithmetic language for style values and colour arguments:
// statements separated by ";", numbers, variables (created on first use with
// value 0, kept for the life of the evaluator) and, from loosest to tightest,
//   =  assignment         & |  minimum, maximum      << >>  a * 2^b, a * 2^-b
//   + -                   * / %  (% keeps the sign of a)   ^  power
//   unary + - ~  (~ negates)
// all left-associative, so 2^3^2 is 64 and -2^2 is 4. A statement that fails
// (a missing operand, a division by zero, an invalid power, a bare variable,
// "?" as an operator, unbalanced parentheses) leaves the result as it was.
// A character the language does not know ends the statement: "1+2!3" is 3.
// Numbers are decimal with an optional exponent; a "+" or "-" inside a number
// is only an exponent's sign, so "1-2" is -1.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gui {

class expression_evaluator {
 public:
  // Evaluates each statement in order; the result of the last one that
  // succeeded (or the earlier result if none did) as a float.
  float evaluate(const char* text);
  float evaluate(const std::string& text) { return evaluate(text.c_str()); }

  double result() const { return result_; }
  // The variable's value, or 0 when it has never been used.
  double variable(const std::string& name) const;

  // Tokens beyond these in the output queue or the operator stack are dropped.
  static constexpr size_t max_queue = 16;
  static constexpr size_t max_stack = 16;

 private:
  enum class kind { binary, unary, assign, comma, open, close, number, variable };
  struct token {
    kind k = kind::number;
    char op = 0;           // operator character; '<' and '>' stand for << and >>
    double value = 0.0;
    size_t var = 0;        // index into vars_ for variables and assignment targets
  };
  struct variable_slot {
    std::string name;
    double value = 0.0;
  };

  bool statement(const char* begin, const char* end);
  size_t variable_index(const std::string& name);
  bool run_postfix(const std::vector<token>& postfix);

  std::vector<variable_slot> vars_;
  double result_ = 0.0;
};

}  // namespace gui
