// The wait cursor, counted: shown while any begin is not yet ended.
#pragma once

namespace platform {

void BeginWaitCursor();
void EndWaitCursor();
// Shows it again after a dialog replaced it, when it is on.
void RestoreWaitCursor();

class WaitCursor {
public:
    WaitCursor() { BeginWaitCursor(); }
    ~WaitCursor() { EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace platform
