#include "platform/MessageTarget.h"

#include "platform/App.h"

namespace platform {

MessageTarget::~MessageTarget() {
    if (App* app = App::Current()) app->ForgetTarget(this);
}

bool MessageTarget::OnMessage(unsigned message, WParam wparam, LParam) {
    switch (message) {
    case kMsgTimer:
        OnTimer(static_cast<unsigned>(wparam));
        return true;
    case kMsgCommand:
        return OnCommandMessage(static_cast<unsigned>(wparam));
    default:
        return false;
    }
}

void MessageTarget::OnTimer(unsigned) {}

bool MessageTarget::OnCommandMessage(unsigned) { return false; }

bool MessageTarget::Post(unsigned message, WParam wparam, LParam lparam) {
    App* app = App::Current();
    return app && app->Post(this, message, wparam, lparam);
}

bool MessageTarget::SetTimer(unsigned id, unsigned ms) {
    App* app = App::Current();
    return app && app->SetTimer(this, id, ms);
}

bool MessageTarget::KillTimer(unsigned id) {
    App* app = App::Current();
    return app && app->KillTimer(this, id);
}

}  // namespace platform
