#pragma once
// The module session as the window's ModuleLink: requests go to the session,
// which runs on the process's event loop, and its events come back to the
// window's thread through Qt's event loop, in the order they were sent.

#include "link/ModuleSession.h"
#include "link/SystemPortListing.h"
#include "ui/ModuleLink.h"

#include <QObject>

#include <functional>
#include <memory>

namespace zarn::ui {

class QtSessionLink : public QObject, public ModuleLink {
    Q_OBJECT
public:
    // A session on the system's serial ports.
    QtSessionLink();
    ~QtSessionLink() override;

    // Who gets the events on this thread (the window's state); nullptr: nobody.
    void setReceiver(std::function<void(const SessionEvent&)> receiver) { m_receiver = std::move(receiver); }

    void selectPort(int port) override;
    void programAll(std::shared_ptr<const ResourceFileFacts> file) override;
    PortPresence findListedPort(int port) override;

private:
    SystemPortListing m_listing; // Port Select's status line, asked on this thread
    std::function<void(const SessionEvent&)> m_receiver;
    std::unique_ptr<ModuleSession> m_session; // last: it goes first, and sends nothing after that
};

} // namespace zarn::ui
