#pragma once
// Where a received frame goes, by its command code: 0x00 to the module's
// identification, 0x10 and 0x12 to the programming transfer; any other code
// only refreshes what is shown.

#include "link/FrameAssembler.h"
#include "link/ModuleDetection.h"
#include "link/ProgramTransfer.h"

namespace zarn {

void dispatchFrame(ModuleDetection& detection, ProgramTransfer& transfer, FramePayload& frame);

} // namespace zarn
