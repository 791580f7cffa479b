// The jobs of vorn-render. Rendering and --info drive the plug-in only through
// the calls a host makes (and, for effect slots, our private vendor request);
// --list-fx reads the effect registry. Each returns the process exit code;
// reports go to stdout, errors to stderr.
#pragma once

#include "tools/render/options.h"

namespace render {

int run_info(const options& o);
int run_render(const options& o);
int run_sequence(const options& o);
int run_list_fx();
int run_editor_shot(const options& o);

}  // namespace render
