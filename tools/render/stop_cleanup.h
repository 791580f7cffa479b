// A render stopped from outside (Ctrl+C, or a kill with SIGTERM) removes its
// unfinished output file before the process ends, so neither the target
// (which keeps its old contents) nor a half-written temporary is left.
#pragma once

#include <string>

namespace render {

// The file to remove if the process is stopped from now on; an empty path
// forgets it. The first call installs the handlers for SIGINT and SIGTERM.
void remove_on_stop(const std::string& path);

}  // namespace render
