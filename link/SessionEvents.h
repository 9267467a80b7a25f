#pragma once
// What a module session tells its client. The session runs on a thread of its
// own; after every change it sends an event with a copy of everything a client
// shows, so that a client (the window, zarnres) never reads the session's
// members. (The bytes sent within one 4096-byte block are told at most every
// 100 ms.) The client handles the event on its own thread.

#include "link/Protocol.h"

#include <cstdint>
#include <string>

namespace zarn {

// A copy of the session's state, as the window shows it.
struct SessionSnapshot {
    // Detection: "Port Select" confirmed, the port opened, the module answered.
    bool linkEnabled = false;
    bool portOpen = false;
    bool moduleIdentified = false;
    int comPort = 3;
    std::string moduleStatus; // the module connection field's text
    ModuleInfo moduleInfo; // the last identification reply

    // The transfer: m_programming, the image's size and progress.
    bool programming = false;
    std::uint32_t imageSize = 0;
    std::uint32_t imageSent = 0;
    std::int32_t blocksSent = 0; // whole 4096-byte blocks, the counter field
    int progressMaxKiB = 0; // the programming bar's range
    int progressKiB = 0; // and its position

    // The port as the channel found it, for messages that say why no module
    // answered: the device the number stood for, why it would not open, and
    // how many bytes came since it opened (told with other changes, not alone).
    std::string portDevice;
    std::string portFailure; // the system's text; "" once the port opened
    bool portAccessDenied = false;
    std::uint64_t bytesReceived = 0;
};

enum class SessionEventKind {
    Changed, // something shown changed: flags, the module text, the progress
    Identified, // an identification reply arrived
    TransferStarted, // "Program All" passed its checks and the start request went out
    TransferRefused, // "Program All" refused: `text` is the refusal
    TransferCompleted, // the last block was acknowledged: `text` is "Send Over!!"
    TransferFailed, // `text` says why (the module stopped answering, the port was lost); `detail` the
                    // channel's "WARNING:  ..." texts met during the transfer, if any
    ChannelError, // the channel's "WARNING:  ..." text in `text`, outside a transfer (or after one that completed)
    PortLost, // the open port failed or vanished (unplugged, line hung up)
};

struct SessionEvent {
    SessionEventKind kind = SessionEventKind::Changed;
    std::string text; // the message box's text, where the kind has one
    std::string detail; // its cause, shown as the box's detail (the system's text, the port)
    SessionSnapshot snapshot; // the state after the event
};

} // namespace zarn
