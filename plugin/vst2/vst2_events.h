// A host's VstEvents list onto the instance's event queue.
#pragma once

#include "plugin/instance.h"
#include "plugin/vst2/vst2.h"

namespace plugin {

// Queues the MIDI events of the list at their deltaFrames (other kinds are
// skipped); a null or negative list adds nothing.
void queue_vst_events(instance& it, const VstEvents* events);

}  // namespace plugin
