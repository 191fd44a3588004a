// Trevossa's view: the log view of the platform; File > Setup and the start message choose and
// read a file, File > STOP/RESET closes it.
#pragma once

#include <string>

#include "platform/LogView.h"

namespace obstacles {

class CTrevossaDoc;

constexpr unsigned kCmdStopReset = 32778;
constexpr int kDebugDialogId = 134;

inline constexpr const char* kSelectFileTitle = "Select AWP or TAW File";

class CTrevossaView : public platform::LogView {
public:
    CTrevossaView(platform::Clipboard& clipboard, int& debugLevel);

    CTrevossaDoc* GetDoc() const;

    // File > Setup and the start message.
    void OnStart(platform::WParam) override { OnSelectFile(); }
    void OnSelectFile();
    // Clears the selection and reads the file into the document.
    void ReloadFile();
    // File > STOP/RESET: closes the open file, or lists the stop text while busy.
    void OnStopReset() override { StopReset(); }
    void StopReset();
    bool StopEnabled() const override;

    const std::string& LastPath() const { return lastPath_; }

private:
    std::string lastPath_;
};

}  // namespace obstacles
