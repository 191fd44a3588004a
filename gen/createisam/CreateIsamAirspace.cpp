#include "gen/createisam/CreateIsamAirspace.h"

#include <fcntl.h>

#include <algorithm>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/createisam/CreateIsamRecords.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

namespace {

constexpr uint32_t kPieceBytes = kAirspaceCopyPiece;
constexpr uint32_t kSuaGridNumberSize = 2;
constexpr uint32_t kSuaGridCellSize = 20;

bool Tagged(const ImageParams& params) { return params.nameOffsetBits == 20; }

}  // namespace

std::string FormatTccDatHeader(const TccSectionHeader& h, bool tagged) {
    std::string line = tagged ? "TCC_02|" : "";
    for (int i = 0; i < 8; ++i) {
        line += StringFormatC("%lx", static_cast<unsigned long>(h.v[i]));
        line += i < 7 ? '|' : '<';
    }
    return line;
}

std::string FormatSuaDatHeader(const SuaSectionHeader& h, bool tagged) {
    const uint32_t* v = h.v;
    return StringFormatC("%s%x|%lx|%x|%lx|%x|%lx|%x|%lx|%lx|%lx|%lx<", tagged ? "SUA_02|" : "", v[0],
                         static_cast<unsigned long>(v[1]), v[2], static_cast<unsigned long>(v[3]), v[4],
                         static_cast<unsigned long>(v[5]), v[6], static_cast<unsigned long>(v[7]),
                         static_cast<unsigned long>(v[8]), static_cast<unsigned long>(v[9]),
                         static_cast<unsigned long>(v[10]));
}

void UnrelocateAirspaceRecord(const ImageParams& params, const AirspaceRecordLayout& layout, uint8_t* record,
                              const IsamNameResolver& names, uint32_t offsetBase, int32_t numbers[2]) {
    const uint32_t highBits = params.nameOffsetBits - 16;
    numbers[0] = numbers[1] = -1;
    for (uint32_t i = 0; i < layout.nameCount; ++i) {
        const AirspaceNameSlot& slot = layout.names[i];
        const uint32_t offset = GetU16(record + slot.lowByte) | GetBits(slot.highBit, highBits, record) << 16;
        NamePosition pointer;
        if (offset != params.NameOffsetAbsent()) {
            pointer = NamePosition::At(offset * 8 + 7 - GetBits(slot.startBit, 3, record));
        }
        const int32_t number = names.Number(pointer);
        const auto stored = static_cast<uint32_t>(number);
        PutU16(record + slot.lowByte, stored);
        PutBits(slot.highBit, highBits, record, stored >> 16);
        PutBits(slot.startBit, 3, record, 0);
        numbers[i] = number;
    }
    if (layout.offsetByte >= 0) {
        uint8_t* field = record + layout.offsetByte;
        const uint32_t mask = (1u << layout.offsetBits) - 1;
        const uint32_t word = GetU24(field);
        PutU24(field, (word & ~mask) | (((word & mask) - offsetBase) & mask));
    }
}

IsamAirspaceFile::IsamAirspaceFile(std::string path, std::string header, std::vector<Part> parts)
    : path_(std::move(path)), parts_(std::move(parts)), out_(header.begin(), header.end()) {}

IsamAirspaceFile::~IsamAirspaceFile() = default;

bool IsamAirspaceFile::Create() {
    const int fd = platform::OpenFile(path_, O_WRONLY | O_CREAT | O_TRUNC, platform::Share::DenyReadWrite);
    if (fd < 0) return false;
    platform::CloseFile(fd);
    return true;
}

bool IsamAirspaceFile::Next(const IsamImageSource& source, const IsamNameResolver& names, uint32_t debugLevel,
                            std::vector<std::string>* lines) {
    while (part_ < parts_.size() && at_ >= parts_[part_].length) {
        ++part_;
        at_ = 0;
        record_ = 0;
    }
    if (part_ >= parts_.size()) return false;
    const Part& p = parts_[part_];
    const uint32_t n = std::min(p.unit, p.length - at_);
    const uint8_t* bytes = source.At(p.start + at_, n);
    const size_t base = out_.size();
    out_.insert(out_.end(), bytes, bytes + n);
    if (p.records && n == p.unit) {
        int32_t numbers[2];
        UnrelocateAirspaceRecord(source.Params(), *p.records, out_.data() + base, names, p.offsetBase, numbers);
        if (debugLevel != 0 && p.records->nameCount == 2 && numbers[0] == kCorruptNameNumber &&
            numbers[1] == kCorruptNameNumber) {
            // The pointers as the image holds them: offset and start value.
            const uint8_t* r = bytes;
            const uint32_t hb = source.Params().nameOffsetBits - 16;
            const AirspaceNameSlot* s = p.records->names;
            lines->push_back(StringFormatC("recno=%x, reclen=%d, con=%x(%x), asp=%x(%x)", record_, p.unit,
                                           GetU16(r + s[0].lowByte) | GetBits(s[0].highBit, hb, r) << 16,
                                           GetBits(s[0].startBit, 3, r),
                                           GetU16(r + s[1].lowByte) | GetBits(s[1].highBit, hb, r) << 16,
                                           GetBits(s[1].startBit, 3, r)));
            lines->push_back("");
        }
    }
    at_ += n;
    ++record_;
    return true;
}

bool IsamAirspaceFile::Finish() {
    platform::AtomicFile file;
    return file.Open(path_, platform::AtomicFile::Start::Empty, platform::Share::DenyReadWrite) &&
           file.Write(out_.data(), out_.size()) && file.Commit();
}

std::unique_ptr<IsamAirspaceFile> PlanTccFile(const IsamImageSource& source, const std::string& path) {
    const IsamTccSection& t = source.Tcc();
    const AirspaceLayouts& layouts = AirspaceLayoutsOf(source.Params());
    TccSectionHeader header;
    std::copy(t.v, t.v + 8, header.v);
    // Tables x, a, z, y, m, b, r, g: [start of each, start of the next).
    const uint32_t starts[9] = {0, t.v[1], t.v[2], t.v[3], t.v[4], t.v[5], t.v[6], t.v[7], t.v[0]};
    std::vector<IsamAirspaceFile::Part> parts;
    for (int i = 0; i < 8; ++i) {
        IsamAirspaceFile::Part part{t.position + starts[i], starts[i + 1] - starts[i], kPieceBytes, nullptr, 0};
        if (i == 1) {
            part.records = layouts.fss;
        } else if (i == 5) {
            part.records = layouts.tcc;
            part.offsetBase = t.position + t.v[4];
        }
        if (part.records) part.unit = part.records->size;
        parts.push_back(part);
    }
    return std::make_unique<IsamAirspaceFile>(path, FormatTccDatHeader(header, Tagged(source.Params())), std::move(parts));
}

std::unique_ptr<IsamAirspaceFile> PlanSuaFile(const IsamImageSource& source, const std::string& path) {
    using S = IsamSuaSection;
    const S& sua = source.Sua();
    const AirspaceLayouts& layouts = AirspaceLayoutsOf(source.Params());
    const uint32_t vertexLength = sua.offset[S::kTableA] - sua.start;
    std::vector<IsamAirspaceFile::Part> parts = {
        {sua.start, vertexLength, kPieceBytes, nullptr, 0},
        {sua.offset[S::kTableA], sua.count[S::kTableA] * layouts.suaA->size, layouts.suaA->size, layouts.suaA,
         sua.start},
        {sua.offset[S::kTableB], sua.count[S::kTableB] * layouts.suaB->size, layouts.suaB->size, layouts.suaB,
         sua.start},
        {sua.offset[S::kNumbers], sua.count[S::kNumbers] * kSuaGridNumberSize, kSuaGridNumberSize, nullptr, 0},
        {sua.offset[S::kCells], sua.count[S::kCells] * kSuaGridCellSize, kSuaGridCellSize, nullptr, 0},
    };
    // The file's tables follow one another in that order.
    using H = SuaSectionHeader;
    SuaSectionHeader header;
    uint32_t at = 0;
    uint32_t starts[5];
    for (int i = 0; i < 5; ++i) {
        starts[i] = at;
        at += parts[static_cast<size_t>(i)].length;
    }
    header.v[H::C0] = sua.count[S::kCells];
    header.v[H::O0] = starts[4];
    header.v[H::C1] = sua.count[S::kNumbers];
    header.v[H::O1] = starts[3];
    header.v[H::C2] = sua.count[S::kTableA];
    header.v[H::O2] = starts[1];
    header.v[H::C3] = sua.count[S::kTableB];
    header.v[H::O3] = starts[2];
    header.v[H::S] = 0;
    header.v[H::E] = vertexLength;
    header.v[H::L] = at;
    return std::make_unique<IsamAirspaceFile>(path, FormatSuaDatHeader(header, Tagged(source.Params())), std::move(parts));
}
