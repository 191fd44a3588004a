// The listing of a GAR file: opened, counted and read one record at a time; each record is
// formatted into its display lines on demand, so the listing holds one record, not the file.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transfer/common/GarFastLines.h"
#include "transfer/common/GarLine.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/LineChunks.h"
#include "transfer/common/TransferFile.h"

class GarListing {
public:
    // Message shown when the file ends before its end record.
    static constexpr const char* kUnexpectedEnd = "Unexpected end of file";

    // Shows a message to the user (a message box in the programs).
    using MessageSink = std::function<void(const std::string&)>;
    explicit GarListing(MessageSink message = {}) : message_(std::move(message)) {}

    // Lists the file; false (and nothing listed) when it cannot be read or does not begin
    // with a record-count record after its product data.
    bool ListGarFile(const std::string& path);
    void Close();
    bool IsListing() const { return listing_; }

    // Title line plus the lines of every record.
    int GetLineCount() const { return listing_ ? records_ * linesPerRecord_ + 1 : 0; }
    // Display line n (0 is the title). inOrder: the caller fetches ascending lines. The text
    // stays until the next call.
    const std::string& GetLine(int n, bool /*inOrder*/) {
        // The lines of the record last formatted are at hand.
        if (n > 0 && n < GetLineCount()) {
            const int index = RecordOfLine(n - 1);
            if (index == formattedIndex_) return formatted_[static_cast<size_t>(n - 1 - index * linesPerRecord_)];
        }
        return FetchLine(n);
    }

    // Every line as GetLine gives it, each followed by CR LF; stops early once the text
    // could not be written.
    void WriteLines(LineChunks& text);

    int Kind() const { return kind_; }
    int ProductId() const { return productId_; }
    int Records() const { return records_; }
    int LinesPerRecord() const { return linesPerRecord_; }
    const std::string& Path() const { return path_; }

    // The next record that is neither product data nor a route link; false at the end or
    // when the record stops early (the record holds what was read).
    bool ReadNextRecord();
    // Data record n (from 0, record-count records not counted); false when it cannot be read.
    bool ReadRecordAt(int n);
    const GarRecord& Current() const { return record_; }

    // Back to the file's first record, for a reader of the whole file (the screen bitmap).
    void RewindFile() {
        file_.Rewind();
        currentIndex_ = -1;
        formattedIndex_ = -1;
    }

private:
    // The record of data line i (from 0); most listings have one or four lines a record.
    int RecordOfLine(int i) const {
        return linesPerRecord_ == 1 ? i : linesPerRecord_ == 4 ? i >> 2 : i / linesPerRecord_;
    }
    // Line n, its record read and formatted where it is not the one last formatted.
    const std::string& FetchLine(int n);
    bool ReadDataRecord();
    std::string Title() const;

    MessageSink message_;
    TransferFile file_;
    std::string path_;
    GarRecord record_;
    bool listing_ = false;
    bool route_ = false;
    int productId_ = 0;
    int records_ = 0;
    int linesPerRecord_ = 1;
    int kind_ = 0;
    int running_ = 0;
    // The data record held in record_ (-1 none) and the file position after it.
    int currentIndex_ = -1;
    int64_t afterCurrent_ = 0;
    // The first data record found unreadable (the file cut or changed since it was counted): it
    // and those after it are not read again, so listing such a file stays one pass.
    int unreadableFrom_ = INT_MAX;
    int64_t firstData_ = 0;
    // The display lines of the record last formatted (-1 none).
    int formattedIndex_ = -1;
    std::vector<std::string> formatted_;
    GarFastLines fastLines_;
    std::string title_;
};
