#include "transfer/common/GarListing.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/GarRecordFormat.h"
#include "transfer/common/GarTables.h"

namespace {

// A record the listing shows: not the end, product data, a record count or a route link.
bool IsDataRecord(int id) {
    return id != kGarEnd && id != kGarProductData && id != kGarRecordCount && id != kGarRouteLink;
}

}  // namespace

void GarListing::Close() {
    file_.Close();
    listing_ = false;
    route_ = false;
    records_ = 0;
    linesPerRecord_ = 1;
    kind_ = 0;
    currentIndex_ = -1;
    formattedIndex_ = -1;
    path_.clear();
}

bool GarListing::ReadNextRecord() {
    for (;;) {
        if (ReadGarRecordFrom(file_, record_) != GarRead::Ok) return false;
        if (record_.id == kGarProductData) {
            if (record_.Reaches(1)) productId_ = record_.S16(0);
            continue;
        }
        if (record_.id == kGarRouteLink) continue;
        return true;
    }
}

// The next data record: record-count records are passed over as well.
bool GarListing::ReadDataRecord() {
    // Mostly the next record is whole in the file's buffer and plain data.
    const int64_t at = file_.Position();
    GarRecordView view;
    if (NextGarRecordView(file_, view)) {
        if (view.id != kGarProductData && view.id != kGarRouteLink && view.id != kGarRecordCount) {
            record_.CopyFrom(view);
            return true;
        }
        file_.Seek(at);
    }
    do {
        if (!ReadNextRecord()) return false;
    } while (record_.id == kGarRecordCount);
    return true;
}

bool GarListing::ListGarFile(const std::string& path) {
    Close();
    if (path.empty()) return false;
    if (!file_.OpenRead(path)) return false;
    productId_ = 0;
    if (!ReadNextRecord() || record_.id != kGarRecordCount) {
        file_.Close();
        return false;
    }
    firstData_ = file_.Position();
    unreadableFrom_ = INT_MAX;
    // Counting needs the ids and sizes only: walked in the file's buffer, a block at a time.
    int longest = 0;
    int count = 0;
    for (bool ended = false; !ended;) {
        const uint8_t* p;
        const size_t held = file_.Peek(p, 2 + 255);
        size_t at = 0;
        for (;;) {
            // Data records while a record of any size would lie whole in the buffer: their ids
            // alone are looked at.
            while (held - at >= 2 + 255 && IsDataRecord(p[at])) {
                const int size = p[at + 1];
                ++count;
                longest = std::max(longest, size);
                at += 2 + static_cast<size_t>(size);
            }
            if (held - at < 2 || held - at - 2 < p[at + 1]) break;
            const int id = p[at], size = p[at + 1];
            if (id == kGarEnd) {
                ended = true;
                break;
            }
            if (id == kGarProductData) {
                if (size >= 2) productId_ = static_cast<int16_t>(p[at + 2] | p[at + 3] << 8);
            } else if (IsDataRecord(id)) {
                ++count;
                longest = std::max(longest, size);
            }
            at += 2 + static_cast<size_t>(size);
        }
        file_.Seek(file_.Position() + static_cast<int64_t>(at));
        if (!ended && at == 0) {
            // The file stops inside a record, or before its end record.
            if (message_) message_(kUnexpectedEnd);
            break;
        }
    }
    records_ = count;

    file_.Seek(firstData_);
    currentIndex_ = -1;
    kind_ = ReadDataRecord() ? record_.id : 0;
    file_.Seek(firstData_);
    listing_ = true;
    path_ = path;

    switch (kind_) {
        case kGarProximity:
        case kGarRouteWaypoint:
        case kGarUserWaypoint:
            linesPerRecord_ = 4;
            break;
        case kGarRouteHeader:
            linesPerRecord_ = 4;
            route_ = true;
            break;
        case kGarTrackPoint:
            linesPerRecord_ = 1;
            break;
        case kGarTrackHeader:
            linesPerRecord_ = 1;
            kind_ = kGarTrackPoint;
            break;
        default: {
            const int length = longest + 2;
            linesPerRecord_ = length / 24 + 1 + (length % 24 != 0 ? 1 : 0);
            break;
        }
    }
    return true;
}

bool GarListing::ReadRecordAt(int n) {
    if (n >= unreadableFrom_) return false;
    if (n < currentIndex_ || currentIndex_ < 0) {
        file_.Seek(firstData_);
        currentIndex_ = -1;
        running_ = 0;
    } else if (n == currentIndex_) {
        return true;
    } else {
        file_.Seek(afterCurrent_);
    }
    while (currentIndex_ < n) {
        if (!ReadDataRecord()) {
            unreadableFrom_ = currentIndex_ + 1;
            currentIndex_ = -1;
            return false;
        }
        ++currentIndex_;
        running_ = route_ && record_.id == kGarRouteHeader ? 0 : running_ + 1;
    }
    afterCurrent_ = file_.Position();
    return true;
}

std::string GarListing::Title() const {
    std::string title = StringFormatC("%s Database - %d Packets", GarKindName(kind_), records_);
    if (const char* name = ProductName(productId_)) title = StringFormatC("%s from GPS %s", title.c_str(), name);
    return title;
}

const std::string& GarListing::FetchLine(int n) {
    static const std::string kNone;
    if (!listing_ || n < 0 || n >= GetLineCount()) return kNone;
    if (n == 0) {
        title_ = Title();
        return title_;
    }
    const int i = n - 1;
    const int index = RecordOfLine(i);
    if (index != formattedIndex_) {
        formattedIndex_ = -1;
        if (!ReadRecordAt(index)) return kNone;
        formatted_.resize(static_cast<size_t>(linesPerRecord_));
        const bool newer = productId_ >= kNewerUnitProductId;
        if (!fastLines_.Format(record_, newer, running_, formatted_)) {
            GarLine line(record_, newer);
            for (int s = 0; s < linesPerRecord_; ++s) {
                line.Clear();
                FormatGarRecord(line, s, running_);
                line.TextTo(formatted_[static_cast<size_t>(s)]);
            }
        }
        formattedIndex_ = index;
    }
    return formatted_[static_cast<size_t>(i - index * linesPerRecord_)];
}

void GarListing::WriteLines(LineChunks& text) {
    if (!listing_) return;
    text.Add(GetLine(0, true));
    const bool newer = productId_ >= kNewerUnitProductId;
    for (int index = 0; index < records_ && text.Ok(); ++index) {
        // Most records are written straight into the text; the rest as their lines.
        if (index != formattedIndex_ && ReadRecordAt(index)) {
            char* const room = text.Room(GarFastLines::kRecordRoom);
            if (char* const end = fastLines_.Write(record_, newer, running_, linesPerRecord_, room)) {
                text.Commit(end);
                continue;
            }
        }
        const int first = 1 + index * linesPerRecord_;
        for (int n = first; n < first + linesPerRecord_; ++n) text.Add(GetLine(n, true));
    }
}
