// The common base of the manager's six list windows: the lines of one record file in ident
// order, loaded a screenful per drawing and a few records per idle turn, up to 2000 lines;
// filters, selection, fonts and printing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ScrollView.h"

class IsamMgr;

// What a list window reads: its record file, indexes and fields.
struct RecordListKind {
    char letter;              // A I N V U R
    IsamMgr* file;
    const char* numberIndex;
    const char* identIndex;
    int32_t* number;          // the record-number field
    char* ident;              // the ident field (8 bytes)
    int32_t* country;         // the country field, or null
    const char* loadFailure;  // "Load APT 0x%x failed"
};

// The six letters in template order and a letter's position (-1 for another letter).
inline constexpr char kRecordLetters[] = "AINVUR";
int RecordLetterIndex(char letter);

class CKestraneScrollView : public platform::ScrollView {
public:
    static constexpr int kMaxLines = 2000;
    static constexpr int kIdleBatch = 9999;  // GetLine index of an idle step
    static constexpr unsigned kCmdAddRecord = 32799;
    static constexpr unsigned kCmdChangeRecord = 32800;
    static constexpr unsigned kCmdDeleteRecord = 32801;
    static constexpr unsigned kCmdIcons = 32817;
    static constexpr unsigned kCmdScreenFont = 32823;
    static constexpr unsigned kCmdPrintFont = 32824;

    explicit CKestraneScrollView(RecordListKind kind);
    ~CKestraneScrollView() override;

    char Letter() const { return kind_.letter; }

    // Kind-specific parts.
    virtual void FormatLine(int32_t word);
    // Makes sure line i exists and reads its record; false past the end. The end word (0 or -1)
    // is the line after the last one.
    bool GetLine(int index, int batch, int32_t& word);
    virtual bool PassesNameFilter() { return true; }
    virtual int32_t ReadLine(int index);
    // Examines up to four more records of the list.
    void IdleStep();
    // Closes the files an unfinished run of idle steps keeps open.
    static void ReleaseIdleFiles();
    void ReloadSelected(bool keepOpen);
    void ApplyScrollSizes();
    void ShowSelection();
    void RedrawSelected();
    void InsertLine(int32_t word);
    void UpdateTitle();
    virtual void OnAddRecord() {}
    virtual void OnChangeRecord() {}
    virtual void OnDeleteRecord() {}

    // State the edit commands and tests use.
    bool busy = false;
    int LineCount() const { return count_; }
    bool IsComplete() const { return complete_; }
    int32_t EndWord() const { return endWord_; }
    const std::vector<int32_t>& Lines() const { return lines_; }
    int SelectedLine() const { return selected_; }
    int DrawnPart() const { return drawnPart_; }
    // The file's highest record number, found at the first drawing (its files open then) or
    // at the first question.
    int32_t HighestRecord();
    void SetHighestRecord(int32_t number) { highest_ = number; }
    // File > Clear: enabled while the file holds a record number above 0.
    std::function<void(platform::CommandState&)> ClearEnabled() {
        return [this](platform::CommandState& s) { s.enabled = HighestRecord() > 0; };
    }
    // The number of a new record: the highest + 1, which becomes the highest.
    int32_t TakeNewRecordNumber() {
        HighestRecord();
        return ++highest_;
    }
    // Removes lines [first, first + count) (the selection is cleared) and lays the list out.
    void RemoveLines(int first, int count);
    void InsertLineAt(int at, int32_t word);

    void OnDraw(platform::DeviceContext& dc) override;
    void OnUpdate(platform::View* sender, long hint) override;
    void OnInitialUpdate() override;
    void OnSize(int cx, int cy) override;
    void OnLButtonDown(unsigned flags, platform::Point point) override;
    // Home, End, Page Up, Page Down, Up and Down scroll the list.
    bool OnKeyDown(const platform::Key& key) override;
    bool OnPreparePrinting(platform::PrintInfo& info) override;
    void OnBeginPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnPrint(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnEndPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;

protected:
    // The files one drawing, idle step, print page or command holds open: the kind's file.
    virtual int OpenFiles();
    virtual void CloseFiles();
    // Closes one of the files CloseFiles closes: after a drawing of an unfinished list, whose
    // idle steps open the files again at once, with the pages read kept for them.
    void CloseFile(IsamMgr& file) const;
    // Those a drawing or print page opens to begin with (CloseFiles closes what it held).
    virtual int OpenFilesToDraw() { return OpenFiles(); }
    // Positions the record file at the first record to load (fresh) or at the resume point.
    virtual bool Position(bool fresh);
    // Appends line words from the current record on; true when it stopped on the count and a
    // next record exists (then the resume point is set).
    virtual bool LoadRecords(int count, bool keepGoing);
    // Appends the lines of the current record (airports add their rows); returns how many.
    virtual int AppendRecordLines(int32_t number);
    // The drawn part of the selected line (airports: by row).
    virtual int PartOfSelected(int32_t word) const;
    // While GetLine reads lines in order: true when one step of the ident index from the record
    // of the line before (`previous`, held) reaches the record numbered `number`.
    bool StepToRecord(int32_t previous, int32_t number);
    // While GetLine reads lines in order: true when the record held is that of one of the next
    // lines and as many steps back by the ident index reach the record numbered `number`.
    bool StepBackToRecord(int index, int32_t number);
    // While GetLine reads lines in order, after a search of the number index: the same record
    // found by the ident index, so that the next lines can step.
    void AlignIdentIndex(int32_t number);
    bool AppendLine(int32_t word) {  // false at the limit
        if (count_ >= kMaxLines) return false;
        lines_.push_back(word);
        ++count_;
        return true;
    }
    // Whether this view's files are the ones a run of idle steps keeps open.
    bool HoldsIdleFiles() const;
    void ReportLoadFailure(int32_t number) const;

    // The filters of the list being loaded, taken from the settings as it starts.
    struct Filters {
        bool byIdent = false;
        uint64_t identWant = 0, identMask = 0;  // the ident's first 8 bytes, masked, equal identWant
        const int32_t* country = nullptr;       // the country field when filtered by country
        int32_t countryWant = -1;
        bool byName = false;                    // PassesNameFilter decides
    };
    void TakeFilters();

    RecordListKind kind_;
    Filters filters_;
    std::vector<int32_t> lines_;
    int count_ = -1;
    bool complete_ = false;
    int32_t endWord_ = 0;
    int32_t resumeNumber_ = 0;
    char resumeIdent_[9] = {};
    int selected_ = -1;
    int clickedPart_ = 1;
    int drawnPart_ = 0;

private:
    void SetIdle(bool on);
    void DrawLine(platform::DeviceContext& dc, int line, int part);
    void TextOutLine(platform::DeviceContext& dc, std::string_view text, int skip, int first, int end, int y,
                     bool highlighted);
    int32_t FindHighestRecord();

    bool resumeKept_ = false;  // the files stayed open since the last idle step
    bool keepPages_ = false;   // CloseFiles keeps the pages read (CloseFile)
    int identIndexNumber_ = -1;
    bool readingInOrder_ = false;  // GetLine reads the line of a drawing or print page
    int stepMisses_ = 0;           // steps that missed in this drawing or page
    bool shownComplete_ = true;
    int32_t highest_ = -1;  // not yet found
    int lineHeight_ = 16;
    int charWidth_ = 8;
    bool printing_ = false;
    int linesPerPage_ = 0;
    int printLineHeight_ = 16;
};

// The busy mark of an edit command, cleared on every way out.
struct BusyMark {
    explicit BusyMark(CKestraneScrollView& v) : view(v) { view.busy = true; }
    ~BusyMark() { view.busy = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;
    CKestraneScrollView& view;
};

// The open-view and idle slots, one per letter.
CKestraneScrollView*& OpenViewSlot(int index);
CKestraneScrollView*& IdleViewSlot(int index);
// Whether the window of a letter is open (any other letter counts as open).
bool IsRecordWindowOpen(char letter);
