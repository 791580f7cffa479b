// Every test in this executable runs with a private home (data, cache and
// XDG folders in a temporary tree), set before any plug-in is loaded.
#include "tests/support/private_home.h"

namespace {

test_support::private_home home("vorn-tools-test");

}  // namespace
