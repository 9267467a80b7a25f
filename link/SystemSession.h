#pragma once
// A module session on the system's serial ports: its channel on the process's
// event loop, port numbers through the system's port listing, or all of them
// standing for one device when one is given (the command line's --device).

#include "link/ModuleSession.h"

#include <memory>
#include <string>

namespace zarn {

class AsioEventLoop;

std::unique_ptr<ModuleSession> makeModuleSession(ModuleSession::EventSink sink, SessionOptions options = {},
    const std::string& device = {}, AsioEventLoop* loop = nullptr);

} // namespace zarn
