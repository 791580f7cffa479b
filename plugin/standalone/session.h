// The session: the whole instance state, restored on start and saved on quit
// (session_file.h says where). Outcomes are texts for the user, empty on
// success.
#pragma once

#include <string>

namespace plugin {
class instance;
}

namespace standalone {

// `state_file` when given (--state), else the last session when there is
// one. A missing session is no error (the first start); a file that cannot
// be read or holds no state is, and leaves the instance as it was.
std::string restore_session(plugin::instance& it, const std::string& state_file);

// Writes the instance state over the last session, atomically.
std::string save_session(plugin::instance& it);

}  // namespace standalone
