#include "gen696/SectionFile696.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <memory>

#include "common/CLocale.h"
#include "gen696/ImageFile696.h"
#include "platform/FileSystem.h"

const SectionFileDecl696 kHdrFile696{"HDR+", {0}};
const SectionFileDecl696 kStaFile696{"STA+", {1, 75, 100, 44, 76, 28}};
const SectionFileDecl696 kNam2File696{"NAM2+", {87}};
const SectionFileDecl696 kTccFile696{"TCC+", {30, 29, 36, 35, 34, 32, 31, 33}};
const SectionFileDecl696 kSuaFile696{"SUA+", {41, 38, 37, 39, 40, 69}};
const SectionFileDecl696 kOddsFile696{"ODDS+", {43, 42, 63, 56, 57, 58, 59, 71, 65, 72, 50, 83, 53,
                                                 49, 48, 51, 52, 68, 60, 61, 55, 54, 80, 81, 82}};
const SectionFileDecl696 kTrlFile696{"TRL+", {66}};

namespace {

constexpr size_t kFileBuffer = 1 << 16;
constexpr int kSectionStatic = 1;
constexpr int kSectionFss = 29;
constexpr int kSectionTcc = 33;
constexpr int kSectionTccData = 34;
constexpr int kSectionSuaA = 39;
constexpr int kSectionSuaB = 40;
constexpr int kSectionSuaShapes = 41;
constexpr uint32_t kPicsLenByte = 6;   // value 3 of section 1

uint32_t U24(const uint8_t* p) { return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16); }
void PutU24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}
// Bits of a record numbered from the most significant bit of byte 0.
void PutBitsAt(uint8_t* rec, uint32_t first, uint32_t width, uint32_t value) {
    for (uint32_t i = 0; i < width; ++i) {
        const uint32_t bit = first + i;
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
        if ((value >> (width - 1 - i)) & 1) {
            rec[bit / 8] |= mask;
        } else {
            rec[bit / 8] &= static_cast<uint8_t>(~mask);
        }
    }
}
uint32_t GetBitsAt(const uint8_t* rec, uint32_t first, uint32_t width) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < width; ++i) {
        const uint32_t bit = first + i;
        v = (v << 1) | ((rec[bit / 8] >> (7 - bit % 8)) & 1);
    }
    return v;
}

// The smallest record size each converted section needs.
size_t NeededSize(int section) {
    switch (section) {
    case kSectionFss: return 9;
    case kSectionTcc: return 19;
    case kSectionSuaA: return 30;
    case kSectionSuaB: return 27;
    default: return 0;
    }
}

bool PointerOf(const SectionLinks696& links, uint32_t number, uint32_t* offset, int* bit, std::string* error) {
    *offset = 0;
    *bit = 7;
    if (number == kNoNameNumber696) return true;
    if (links.pointerOf && links.pointerOf(number, offset, bit)) return true;
    *error = StringFormatC("Program error: cannot find name sno %d", static_cast<int>(number));
    return false;
}

}  // namespace

std::string FormatDatHeader(const char* name, uint32_t position, uint32_t count, uint32_t size, uint32_t length) {
    return StringFormatC("%s_%s|%x|%d|%d|%x<", name, kDatVersion696, position, static_cast<int>(count),
                         static_cast<int>(size), length);
}

std::string SuaDatHeader696(int section, uint32_t count, uint32_t size, uint32_t length) {
    if (section == -64) return FormatDatHeader(kSuaFile696.name, 0, 0, 0, 0);
    return FormatDatHeader(kSuaFile696.name, static_cast<uint32_t>(512 + 8 * section), count, size, length);
}

bool ParseDatHeader(std::string_view text, const char* name, DatBlockHeader* out) {
    if (text.empty() || text.back() != '<') return false;
    const std::string prefix = std::string(name) + "_" + kDatVersion696 + "|";
    if (text.substr(0, prefix.size()) != prefix) return false;
    const std::string rest(text.substr(prefix.size()));
    unsigned position = 0, length = 0;
    int count = 0, size = 0;
    char close = 0;
    if (std::sscanf(rest.c_str(), "%x|%d|%d|%x%c", &position, &count, &size, &length, &close) != 5 || close != '<') {
        return false;
    }
    if (count < 0 || size < 0 || size > 255 || count > 0xFFFFFF) return false;
    *out = DatBlockHeader{position, static_cast<uint32_t>(count), static_cast<uint32_t>(size), length};
    return true;
}

std::string SectionFilePath696(const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name + ".DAT";
    std::string actual;
    if (platform::FileExists(path, &actual)) return actual;
    return path;
}

bool RecordSection696(int section) {
    return section == kSectionStatic || section == kSectionFss || section == kSectionTcc ||
           section == kSectionSuaA || section == kSectionSuaB;
}

uint32_t SectionEnd696(const std::vector<ImageDirectoryEntry>& directory, int section) {
    const uint32_t start = directory[static_cast<size_t>(section)].start;
    uint32_t best = 0;
    for (size_t n = 1; n < directory.size(); ++n) {
        const uint32_t s = directory[n].start;
        if (s > start + 3 && (best == 0 || s < best)) best = s;
    }
    return best ? best : start;
}

uint32_t SectionDataLength696(const std::vector<ImageDirectoryEntry>& directory, int section) {
    const ImageDirectoryEntry& e = directory[static_cast<size_t>(section)];
    if (e.start == 0) return 0;
    const uint32_t end = SectionEnd696(directory, section);
    if (end != e.start) return end - e.start;
    return e.count * e.size;
}

bool RecordIntoImage696(int section, uint8_t* rec, size_t size, const ImageFile696& image,
                        const SectionLinks696& links, std::string* error) {
    if (size < NeededSize(section)) return true;
    uint32_t offset = 0;
    int bit = 7;
    switch (section) {
    case kSectionFss:
        if (!PointerOf(links, U24(rec + 6), &offset, &bit, error)) return false;
        if (offset >= 0x80000) {
            offset = 0;
            bit = 7;
        }
        rec[6] = static_cast<uint8_t>(offset);
        rec[7] = static_cast<uint8_t>(offset >> 8);
        PutBitsAt(rec, 66, 3, static_cast<uint32_t>(bit));
        PutBitsAt(rec, 69, 3, offset >> 16);
        return true;
    case kSectionTcc: {
        const uint32_t number = rec[10] | (rec[11] << 8) | (static_cast<uint32_t>(rec[18]) << 16);
        if (!PointerOf(links, number, &offset, &bit, error)) return false;
        rec[10] = static_cast<uint8_t>(offset);
        rec[11] = static_cast<uint8_t>(offset >> 8);
        PutBitsAt(rec, 144, 3, static_cast<uint32_t>(bit));
        PutBitsAt(rec, 147, 5, offset >> 16);
        PutU24(rec + 14, (U24(rec + 14) + image.Entry(kSectionTccData).start) & 0xFFFFFF);
        return true;
    }
    case kSectionSuaA:
    case kSectionSuaB: {
        const uint32_t at[2] = {21, 24};
        const uint32_t bitAt[2] = {43, 99};
        for (int k = 0; k < 2; ++k) {
            const uint32_t number = U24(rec + at[k]);
            if (!PointerOf(links, number, &offset, &bit, error)) return false;
            PutU24(rec + at[k], offset & 0x1FFFFF);
            PutBitsAt(rec, bitAt[k], 3, static_cast<uint32_t>(bit));
        }
        PutU24(rec + 17, (U24(rec + 17) + image.Entry(kSectionSuaShapes).start - 3) & 0xFFFFFF);
        if (section == kSectionSuaA) {
            const uint32_t ref = U24(rec + 27);
            const uint32_t record = links.airportRecord ? links.airportRecord(ref & 0x3FFFF) : kNoAirport696;
            PutU24(rec + 27, (ref & ~0x3FFFFu) | (record & 0x3FFFF));
        }
        return true;
    }
    default:
        return true;
    }
}

void RecordIntoFile696(int section, uint8_t* rec, size_t size, const std::function<uint32_t(int)>& sectionStart,
                       const SectionLinks696& links) {
    if (size < NeededSize(section)) return;
    auto number = [&](uint32_t offset, int bit) {
        return links.numberOf ? links.numberOf(section, offset, bit) : kNoNameNumber696;
    };
    switch (section) {
    case kSectionFss: {
        const uint32_t offset = rec[6] | (rec[7] << 8) | (GetBitsAt(rec, 69, 3) << 16);
        PutU24(rec + 6, number(offset, static_cast<int>(GetBitsAt(rec, 66, 3))));
        break;
    }
    case kSectionTcc: {
        const uint32_t offset = rec[10] | (rec[11] << 8) | (GetBitsAt(rec, 147, 5) << 16);
        const uint32_t n = number(offset, static_cast<int>(GetBitsAt(rec, 144, 3)));
        rec[10] = static_cast<uint8_t>(n);
        rec[11] = static_cast<uint8_t>(n >> 8);
        rec[18] = static_cast<uint8_t>(n >> 16);
        PutU24(rec + 14, (U24(rec + 14) - sectionStart(kSectionTccData)) & 0xFFFFFF);
        break;
    }
    case kSectionSuaA:
    case kSectionSuaB: {
        const uint32_t at[2] = {21, 24};
        const uint32_t bitAt[2] = {43, 99};
        for (int k = 0; k < 2; ++k) {
            const uint32_t offset = U24(rec + at[k]) & 0x1FFFFF;
            PutU24(rec + at[k], number(offset, static_cast<int>(GetBitsAt(rec, bitAt[k], 3))));
        }
        PutU24(rec + 17, (U24(rec + 17) - sectionStart(kSectionSuaShapes)) & 0xFFFFFF);
        break;
    }
    default:
        break;
    }
}

// ---- Copy into the image -------------------------------------------------------------------

DatFileCopy696::~DatFileCopy696() { Close(); }

void DatFileCopy696::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    started_ = false;
}

DatFileCopy696::Result DatFileCopy696::Piece(const std::string& folder, const SectionFileDecl696& decl,
                                             ImageFile696& image, const SectionLinks696& links, int areaCode,
                                             int picsLen, std::string* error) {
    if (!started_) {
        Close();
        started_ = true;
        path_ = SectionFilePath696(folder, decl.name);
        file_ = std::fopen(path_.c_str(), "rb");
        if (!file_) {
            *error = StringFormatC("Cannot Open %s", path_.c_str());
            return Result::Failed;
        }
        // A buffer of our own: given none, the library keeps its small default size.
        if (!buffer_) buffer_ = std::make_unique<char[]>(kFileBuffer);
        std::setvbuf(file_, buffer_.get(), _IOFBF, kFileBuffer);
        bytesPending_ = recordsPending_ = 0;
    }
    if (bytesPending_ > 0) {
        const uint32_t n = std::min<uint32_t>(bytesPending_, kDatPiece696);
        uint8_t* piece = image.AppendRoom(n);
        if (!piece) {
            *error = "Cannot write the image file";
            return Result::Failed;
        }
        if (fread_unlocked(piece, 1, n, file_) != n) {
            *error = StringFormatC("Error while reading %s datfile header", decl.name);
            return Result::Failed;
        }
        if (block_.IsHeaderBlock() && areaCode != 0 && sectionOffset_ <= kAreaOffset696 &&
            kAreaOffset696 < sectionOffset_ + n) {
            piece[kAreaOffset696 - sectionOffset_] = static_cast<uint8_t>(areaCode);
        }
        bytesPending_ -= n;
        sectionOffset_ += n;
        return Result::Again;
    }
    if (recordsPending_ > 0) {
        const size_t size = block_.size;
        uint8_t* record = image.AppendRoom(size);
        if (!record) {
            *error = "Cannot write the image file";
            return Result::Failed;
        }
        if (size > 0 && fread_unlocked(record, 1, size, file_) != size) {
            *error = StringFormatC("Error while reading %s datfile header", decl.name);
            return Result::Failed;
        }
        const int section = block_.Section();
        if (section == kSectionStatic) {
            if (sectionOffset_ <= kPicsLenByte && kPicsLenByte + 2 <= sectionOffset_ + size) {
                record[kPicsLenByte - sectionOffset_] = static_cast<uint8_t>(picsLen);
                record[kPicsLenByte - sectionOffset_ + 1] = static_cast<uint8_t>(picsLen >> 8);
            }
        } else if (!RecordIntoImage696(section, record, size, image, links, error)) {
            return Result::Failed;
        }
        --recordsPending_;
        sectionOffset_ += static_cast<uint32_t>(size);
        return Result::Again;
    }
    return NextBlock(decl, image, error);
}

DatFileCopy696::Result DatFileCopy696::NextBlock(const SectionFileDecl696& decl, ImageFile696& image,
                                                 std::string* error) {
    std::string text;
    while (text.size() < kDatHeaderMax696) {
        const int c = getc_unlocked(file_);
        if (c == EOF) break;
        text.push_back(static_cast<char>(c));
        if (c == '<') break;
    }
    if (!ParseDatHeader(text, decl.name, &block_)) {
        *error = StringFormatC("Error while reading %s datfile header", decl.name);
        return Result::Failed;
    }
    if (block_.End()) {
        Close();
        return Result::Done;
    }
    if (image.End() >= 1 && image.End() < kSectionsStart696 && !image.MoveEnd(kSectionsStart696)) {
        *error = "Cannot write the image file";
        return Result::Failed;
    }
    sectionOffset_ = 0;
    if (block_.IsHeaderBlock()) {
        if (!image.SetDirectoryEntry(0, kDirectoryStart696, kDirectoryEntries696, kEntrySize696)) {
            *error = "Cannot write the image file";
            return Result::Failed;
        }
        bytesPending_ = block_.length;
        return Result::Again;
    }
    const int section = block_.Section();
    if (section < 1 || section >= static_cast<int>(kDirectoryEntries696)) {
        *error = StringFormatC("Error while reading %s datfile header", decl.name);
        return Result::Failed;
    }
    uint32_t start = image.End();
    if (block_.count == 0 && block_.length == 0) start = 0;
    if (section == kSectionSuaShapes && start != 0) start += 3;
    if (!image.SetDirectoryEntry(section, start, block_.count, static_cast<uint8_t>(block_.size))) {
        *error = "Cannot write the image file";
        return Result::Failed;
    }
    if (RecordSection696(section)) {
        if (section == kSectionStatic && block_.length != block_.count * block_.size) {
            *error = StringFormatC("Error while reading %s datfile header", decl.name);
            return Result::Failed;
        }
        recordsPending_ = block_.count;
    } else {
        bytesPending_ = block_.length;
    }
    return Result::Again;
}

namespace {

// The blocks of a section file in file order, read one at a time; the bytes of a block that
// `wanted` turns down are passed over unread.
bool VisitBlocks(const std::string& folder, const SectionFileDecl696& decl,
                 const std::function<bool(const DatBlockHeader& header)>& wanted,
                 const std::function<void(const DatBlockHeader& header, const uint8_t* data, size_t size)>& visit,
                 std::string* error) {
    const std::string path = SectionFilePath696(folder, decl.name);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = StringFormatC("Cannot Open %s", path.c_str());
        return false;
    }
    const std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);
    const int64_t length = platform::FileSize(fileno(f));
    const std::string damaged = StringFormatC("Error while reading %s datfile header", decl.name);
    std::vector<uint8_t> data;
    std::string text;
    int64_t at = 0;
    for (;;) {
        text.clear();
        bool closed = false;
        for (size_t k = 0; k <= kDatHeaderMax696 && !closed; ++k) {
            const int c = getc_unlocked(f);
            if (c == EOF) break;
            text.push_back(static_cast<char>(c));
            closed = c == '<';
        }
        DatBlockHeader h;
        if (!closed || !ParseDatHeader(text, decl.name, &h)) {
            *error = damaged;
            return false;
        }
        at += static_cast<int64_t>(text.size());
        if (h.End()) return true;
        const uint64_t bytes = RecordSection696(h.Section()) && !h.IsHeaderBlock()
                                   ? static_cast<uint64_t>(h.count) * h.size
                                   : h.length;
        if (length < 0 || bytes > static_cast<uint64_t>(length - at)) {
            *error = damaged;
            return false;
        }
        if (wanted(h)) {
            data.resize(static_cast<size_t>(bytes));
            if (fread_unlocked(data.data(), 1, data.size(), f) != data.size()) {
                *error = damaged;
                return false;
            }
            visit(h, data.data(), data.size());
        } else if (std::fseek(f, static_cast<long>(bytes), SEEK_CUR) != 0) {
            *error = damaged;
            return false;
        }
        at += static_cast<int64_t>(bytes);
    }
}

}  // namespace

bool VisitDatBlocks696(const std::string& folder, const SectionFileDecl696& decl,
                       const std::function<void(const DatBlockHeader& header, const uint8_t* data, size_t size)>& visit,
                       std::string* error) {
    return VisitBlocks(folder, decl, [](const DatBlockHeader&) { return true; }, visit, error);
}

bool VisitDatRecords696(const std::string& folder, const SectionFileDecl696& decl, const std::vector<int>& sections,
                        const std::function<void(int section, const uint8_t* record, size_t size)>& visit,
                        std::string* error) {
    return VisitBlocks(
        folder, decl,
        [&](const DatBlockHeader& h) {
            if (h.IsHeaderBlock() || h.size == 0) return false;
            return std::find(sections.begin(), sections.end(), h.Section()) != sections.end();
        },
        [&](const DatBlockHeader& h, const uint8_t* data, size_t) {
            for (uint32_t r = 0; r < h.count; ++r) visit(h.Section(), data + static_cast<size_t>(r) * h.size, h.size);
        },
        error);
}

// ---- Write from an image -------------------------------------------------------------------

DatFileWriter696::~DatFileWriter696() { Abandon(); }

void DatFileWriter696::Abandon() {
    file_.Abandon();
    out_.clear();
    started_ = false;
}

bool DatFileWriter696::Put(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
    if (out_.size() < kFileBuffer) return true;
    const bool ok = file_.Write(out_.data(), out_.size());
    out_.clear();
    return ok;
}

DatFileWriter696::Result DatFileWriter696::Piece(const std::string& folder, const SectionFileDecl696& decl,
                                                 int sourceFd, const std::vector<ImageDirectoryEntry>& directory,
                                                 const SectionLinks696& links, std::string* error) {
    auto writeFailed = [&] {
        *error = StringFormatC("Cannot Open %s", path_.c_str());
        Abandon();
        return Result::Failed;
    };
    if (!started_) {
        Abandon();
        started_ = true;
        path_ = SectionFilePath696(folder, decl.name);
        if (!file_.Open(path_, platform::AtomicFile::Start::Empty)) return writeFailed();
        listPos_ = 0;
        bytesPending_ = recordsPending_ = 0;
    }
    auto readSource = [&](uint8_t* buf, uint32_t n) {
        const long got = platform::ReadAt(sourceFd, buf, n, static_cast<int64_t>(readAt_));
        readAt_ += n;
        return got == static_cast<long>(n);
    };
    if (bytesPending_ > 0) {
        uint8_t piece[kDatPiece696];
        const uint32_t n = std::min<uint32_t>(bytesPending_, kDatPiece696);
        if (!readSource(piece, n)) {
            *error = "Cannot read the image file";
            Abandon();
            return Result::Failed;
        }
        if (!Put(piece, n)) return writeFailed();
        bytesPending_ -= n;
        return Result::Again;
    }
    if (recordsPending_ > 0) {
        if (!readSource(record_.data(), recordSize_)) {
            *error = "Cannot read the image file";
            Abandon();
            return Result::Failed;
        }
        RecordIntoFile696(section_, record_.data(), recordSize_,
                          [&directory](int s) { return directory[static_cast<size_t>(s)].start; }, links);
        if (!Put(record_.data(), recordSize_)) return writeFailed();
        --recordsPending_;
        return Result::Again;
    }
    for (;;) {
        if (listPos_ >= decl.sections.size()) {
            const std::string end = FormatDatHeader(decl.name, 0, 0, 0, 0);
            const bool ok = Put(end.data(), end.size()) && file_.Write(out_.data(), out_.size()) && file_.Commit();
            out_.clear();
            started_ = false;
            if (!ok) return writeFailed();
            return Result::Done;
        }
        section_ = decl.sections[listPos_++];
        if (section_ >= static_cast<int>(directory.size())) continue;
        std::string header;
        if (section_ == 0) {
            header = FormatDatHeader(decl.name, 0, 0, 0, kHeaderBlockLength696);
            readAt_ = 0;
            bytesPending_ = kHeaderBlockLength696;
        } else {
            const ImageDirectoryEntry& e = directory[static_cast<size_t>(section_)];
            const uint32_t length = SectionDataLength696(directory, section_);
            header = FormatDatHeader(decl.name, e.position, e.count, e.size, length);
            readAt_ = e.start;
            const bool byRecord = RecordSection696(section_) && section_ != kSectionStatic;
            if (byRecord) {
                recordsPending_ = e.count;
                recordSize_ = e.size;
                record_.assign(recordSize_, 0);
            } else {
                bytesPending_ = length;
            }
        }
        if (!Put(header.data(), header.size())) return writeFailed();
        return Result::Again;
    }
}
