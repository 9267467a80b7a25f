#pragma once
// The Qt module session (link/qt) as the window's ModuleLink: requests go to
// the session, and what it says comes back as SessionEvents, delivered later
// through the event loop as a session on a thread of its own delivers them.

#include "link/SessionEvents.h"
#include "link/qt/ModuleSession.h"
#include "ui/ModuleLink.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace zarn::ui {

class QtSessionLink : public QObject, public ModuleLink {
    Q_OBJECT
public:
    explicit QtSessionLink(std::unique_ptr<ModuleSession> session);
    ~QtSessionLink() override;

    // Who gets the events (the window's state); nullptr: nobody.
    void setReceiver(std::function<void(const SessionEvent&)> receiver) { m_receiver = std::move(receiver); }

    void selectPort(int port) override;
    void programAll(std::shared_ptr<const ResourceFileFacts> file) override;
    PortPresence findListedPort(int port) override;

    ModuleSession& session() { return *m_session; }

private:
    void post(SessionEventKind kind, std::string text = {}, std::string detail = {});
    SessionSnapshot snapshot() const;

    std::unique_ptr<ModuleSession> m_session;
    std::function<void(const SessionEvent&)> m_receiver;
    std::string m_channelError; // the channel's text during a transfer: the detail of its failure
};

} // namespace zarn::ui
