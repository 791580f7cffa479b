// Text without its surrounding blanks (spaces, tabs, and the carriage return
// of a line written on Windows).
#pragma once

#include <string>

namespace factory {

inline std::string trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

}  // namespace factory
