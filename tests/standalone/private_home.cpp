// The whole test program keeps its data, cache and home in a temporary tree,
// made before any test runs: sessions the application saves land there.
#include "tests/support/private_home.h"

namespace {

test_support::private_home home("vorn-standalone-tests");

}  // namespace
