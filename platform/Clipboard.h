// The clipboard (plain text, Windows-1252 bytes inside).
#pragma once

#include <optional>
#include <string>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Open/Empty/SetText fail with LastError() set (an errno value: EBUSY held
    // elsewhere, EBADF not open).
    virtual bool Open() = 0;
    virtual bool Empty() = 0;
    virtual bool SetText(const std::string& text) = 0;
    virtual std::optional<std::string> GetText() const = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual int LastError() const = 0;
};

// Open, empty, set, close in one call on the running application's
// clipboard; false when any step failed (the clipboard is left closed).
bool CopyTextToClipboard(const std::string& text);

}  // namespace platform
