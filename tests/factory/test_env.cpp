// Every test in this executable runs with a private home, so no user's
// init.vornstate or init.vornbank changes what the factory sounds play.
#include "tests/support/private_home.h"

namespace {

test_support::private_home home("vorn-factory-test");

}  // namespace
