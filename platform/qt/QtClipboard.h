// The system clipboard behind the layer's clipboard: plain text, Windows-1252 inside.
#pragma once

#include "platform/Clipboard.h"

namespace platform::qt {

class QtClipboard : public Clipboard {
public:
    bool Open() override;
    bool Empty() override;
    bool SetText(const std::string& text) override;
    std::optional<std::string> GetText() const override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    int LastError() const override { return lastError_; }

private:
    bool open_ = false;
    int lastError_ = 0;
};

}  // namespace platform::qt
