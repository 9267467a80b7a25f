#include "link/FrameDispatch.h"

#include "link/FrameCodec.h"

namespace zarn {

void dispatchFrame(ModuleDetection& detection, ProgramTransfer& transfer, FramePayload& frame)
{
    switch (frame.command()) {
    case CMD_IDENTIFY:
        detection.onIdentification(frame);
        break;
    case CMD_PROGRAM_START:
        transfer.onStartAck();
        break;
    case CMD_PROGRAM_DATA:
        transfer.onBlockAck();
        break;
    default:
        if (detection.refresh)
            detection.refresh();
        break;
    }
}

} // namespace zarn
