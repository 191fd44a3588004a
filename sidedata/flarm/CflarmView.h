// Gindral's view: the listing drawn in a scrolling window and printed; and the commands that
// open, list and save FLARM files, with the merged records they work on.
#pragma once

#include <string>

#include "platform/DeviceContext.h"
#include "platform/ScrollView.h"
#include "sidedata/flarm/FlarmCommandLine.h"
#include "sidedata/flarm/FlarmFileKind.h"
#include "sidedata/flarm/FlarmMemory.h"

class CflarmDoc;

constexpr unsigned kCmdClearMemory = 32772;
constexpr unsigned kCmdSetVersionNumber = 32773;
constexpr unsigned kCmdFileList = 32774;
constexpr unsigned kCmdIdFilter = 32775;
constexpr unsigned kCmdSaveMemoryAs = platform::kCmdFileSave;  // 57603

constexpr int kMaxScrollUnits = 0x7fff;

class CflarmView : public platform::ScrollView {
public:
    CflarmView();

    CflarmDoc* GetDoc() const;
    FlarmMemory& Memory() { return memory_; }

    // File>Open and File>List.
    void OnFileOpen();
    void OnFileList();
    // Reads one file as File>Open does after its dialog (File>List with the List flag set).
    // Returns the kind read, kKindUnknown also when the file could not be opened.
    FlarmFileKind ReadDataFile(const std::string& path);
    void OnSetVersionNumber();
    void OnIdFilter();
    void OnSaveMemoryAs();
    void OnClearMemory() { memory_.ClearMemory(); }

    // --list / --convert; returns the exit status.
    int RunCommandLine(const FlarmOptions& options);

    void OnDraw(platform::DeviceContext& dc) override;
    void OnUpdate(platform::View* sender, long hint) override;
    void OnInitialUpdate() override;
    bool OnPreparePrinting(platform::PrintInfo& info) override;
    void OnBeginPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnPrint(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnEndPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;

    int LineHeight() const { return lineHeight_; }
    int LinesPerPage() const { return linesPerPage_; }

private:
    void AddCommands();
    void Measure(platform::DeviceContext& dc, const platform::Font& font);
    void UpdateScrollSizes();
    void SyncDebugLevel();

    FlarmMemory memory_;
    std::string path_;
    int openFilterIndex_ = 1;
    int saveFilterIndex_ = 1;
    platform::Font screenFont_;
    platform::Font printFont_;
    platform::Font headerFont_;
    int lineHeight_ = 10;
    int charWidth_ = 8;
    int linesPerPage_ = 1;
    bool printing_ = false;
};
