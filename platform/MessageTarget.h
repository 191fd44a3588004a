// Anything that posted messages and window timers can be addressed to.
#pragma once

#include "platform/Message.h"

namespace platform {

class MessageTarget {
public:
    MessageTarget() = default;
    // Forgets every message still queued for this target and kills its timers.
    virtual ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // Called on the user-interface thread for each message dispatched to this
    // target. The default sends kMsgTimer to OnTimer and kMsgCommand to
    // OnCommandMessage; returns true when handled.
    virtual bool OnMessage(unsigned message, WParam wparam, LParam lparam);
    virtual void OnTimer(unsigned id);
    virtual bool OnCommandMessage(unsigned id);

    // Shortcuts to the running App (no-ops/false when there is none).
    // Post is callable from any thread.
    bool Post(unsigned message, WParam wparam = 0, LParam lparam = 0);
    // Starts or restarts timer id of this target: kMsgTimer every ms milliseconds.
    bool SetTimer(unsigned id, unsigned ms);
    bool KillTimer(unsigned id);
};

}  // namespace platform
