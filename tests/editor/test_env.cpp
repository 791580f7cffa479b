// Every test in this executable runs with a private home (tests/support/private_home.h).
#include "tests/support/private_home.h"

namespace {
test_support::private_home home("vorn-editor-test");
}  // namespace
