// The two jobs of vorn-render, driven only through the calls a host makes.
// Each returns the process exit code; reports go to stdout, errors to stderr.
#pragma once

#include "tools/render/options.h"

namespace render {

int run_info(const options& o);
int run_render(const options& o);

}  // namespace render
