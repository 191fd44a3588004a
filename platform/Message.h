// Posted messages and the message numbers the layer itself uses.
#pragma once

#include <cstdint>

namespace platform {

class MessageTarget;

// First message number free for programs' private messages (0x400);
// e.g. the start message of the generators is kUserMessage + 100 (0x464).
constexpr unsigned kUserMessage = 0x0400;

// Messages of the layer itself (below kUserMessage).
constexpr unsigned kMsgNull = 0x0000;
constexpr unsigned kMsgClose = 0x0010;    // ask a frame to close
constexpr unsigned kMsgQuit = 0x0012;     // end the loop; wparam = exit code
constexpr unsigned kMsgCommand = 0x0111;  // wparam = command id, routed like a menu pick
constexpr unsigned kMsgTimer = 0x0113;    // wparam = timer id

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

struct Message {
    MessageTarget* target = nullptr;  // null: the application itself
    unsigned message = kMsgNull;
    WParam wparam = 0;
    LParam lparam = 0;
};

}  // namespace platform
