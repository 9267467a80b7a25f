#include "link/SystemSession.h"

#include "link/CSerialChannel.h"
#include "link/SystemPortListing.h"
#include "platform/AsioEventLoop.h"

namespace zarn {

std::unique_ptr<ModuleSession> makeModuleSession(
    ModuleSession::EventSink sink, SessionOptions options, const std::string& device, AsioEventLoop* loop)
{
    AsioEventLoop& l = loop ? *loop : processEventLoop();
    std::unique_ptr<IPortListing> listing;
    std::function<std::string(int)> deviceFor;
    if (device.empty()) {
        listing = std::make_unique<SystemPortListing>();
        deviceFor = devicePathForPort;
    } else {
        listing = std::make_unique<DeviceListing>(device);
        deviceFor = [device](int) { return device; };
    }
    return std::make_unique<ModuleSession>(
        l, std::make_unique<CSerialChannel>(l, std::move(deviceFor)), std::move(listing), std::move(sink), options);
}

} // namespace zarn
