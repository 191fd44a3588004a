// The SD-card program's view: the log, the transfer set-up with its checks, and the copy of the
// data file's sections onto the card in idle-time chunks.
#pragma once

#include <string>

#include "platform/LogView.h"
#include "transfer/common/FileCopy.h"
#include "transfer/common/TransferFile.h"
#include "transfer/common/UnitDrive.h"
#include "transfer/sdcard/SdCard.h"
#include "transfer/sdcard/SdSections.h"

class CCelvaneApp;
class CComDoc;

constexpr unsigned kCmdCelvaneStopReset = 32772;
// Starts the idle job of a copy once the set-up's dialogs have closed.
constexpr unsigned kMsgCelvaneCopy = 0x465;

// The copy writes 128 KB per idle turn.
constexpr size_t kCelvaneChunkBytes = 131072;

enum CelvaneCopyState { kCopyNextSection = 0, kCopySectionDone = 1, kCopyFinish = 3 };

class CCelvaneView : public platform::LogView {
public:
    explicit CCelvaneView(CCelvaneApp& app);
    ~CCelvaneView() override;

    CComDoc* GetDoc() const;

    void OnStart(platform::WParam wparam) override;
    void OnStartTransfer();
    int ReadImageSections(const std::string& path);
    bool CheckSdCard(std::string& message);
    bool ConfirmDetails();
    int CopySectionToCard(const std::string& folder, const std::string& file, uint32_t offset, uint32_t length);
    int CopyDriverStep();
    int CopyChunk();
    void EndCopy(const std::string& text);

    void Stop(const std::string& text) override { EndCopy(text); }
    bool Busy() const override { return running_; }
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;

    int copyState = kCopyNextSection;

private:
    void Log(const std::string& line);
    void StartCopy();

    CCelvaneApp& app_;
    UnitDrive card_;
    std::string home_;
    std::string fileName_;
    SdSections sections_;
    TransferFile data_;
    FileCopy copy_{kCelvaneChunkBytes};
    std::string activity_;
    size_t section_ = 0;
    bool running_ = false;
};
