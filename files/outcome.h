// File operations report an outcome text: empty is success, anything else is
// shown to the user as the reason. The texts shared by several operations.
#pragma once

namespace files::outcome {

constexpr const char* cannot_open = "couldn't access file (invalid path/filename?)";
// A save whose file could not be written (folder missing or read-only, disk
// full): the old file, if any, is left as it was.
constexpr const char* cannot_write = "couldn't write file (invalid path/filename or no access?)";

}  // namespace files::outcome
