#include "gen696/ListedImage696.h"

#include <algorithm>

#include "common/IdentDigits.h"
#include "common/CLocale.h"
#include "common/NameCode.h"
#include "gen/image/CountryRecord.h"
#include "gen696/SectionFile696.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kSectionCountries = 2;
constexpr int kSectionNames = 3;
constexpr uint32_t kCountryBytes = 9;
constexpr uint32_t kX1Entries = 164;
constexpr size_t kNameText = 64;

std::string Trimmed(std::string text) { return text.erase(text.find_last_not_of(' ') + 1); }

}  // namespace

bool ListedImage696::Load(int fd, const std::string& name, std::string* error) {
    data_.reset();
    size_ = 0;
    spans_.clear();
    nameStarts_.clear();
    countryCount_ = 0;
    if (!source_.Load(fd, name, error)) return false;
    // The seal is checked: the listing reads only the bytes before it.
    const uint64_t size = source_.FileSize() - 4;
    data_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(size));
    for (uint64_t at = 0; at < size;) {
        const long n = platform::ReadAt(fd, data_.get() + at, static_cast<size_t>(size - at), static_cast<int64_t>(at));
        if (n <= 0) {
            data_.reset();
            *error = StringFormatC("Cannot read %s", name.c_str());
            return false;
        }
        at += static_cast<uint64_t>(n);
    }
    size_ = static_cast<uint32_t>(size);
    spans_.clear();
    for (size_t n = 0; n < source_.Directory().size(); ++n) spans_.push_back(FindBytes(static_cast<int>(n)));
    countryCount_ = Bytes(kSectionCountries).size / kCountryBytes;
    const Span names = Bytes(kSectionNames);
    const uint32_t wanted = Count(kSectionNames);
    const uint64_t bits = static_cast<uint64_t>(names.size) * 8;
    char text[kNameText];
    for (uint32_t bit = 0; nameStarts_.size() < wanted && bit < bits;) {
        nameStarts_.push_back(bit);
        bit = DecodeName(names.data, names.size, text, sizeof text, bit);
    }
    return true;
}

uint32_t ListedImage696::Start(int section) const {
    const auto& d = source_.Directory();
    return section >= 0 && static_cast<size_t>(section) < d.size() ? d[static_cast<size_t>(section)].start : 0;
}

uint32_t ListedImage696::Count(int section) const {
    const auto& d = source_.Directory();
    return section >= 0 && static_cast<size_t>(section) < d.size() ? d[static_cast<size_t>(section)].count : 0;
}

uint32_t ListedImage696::RecordSize(int section) const {
    const auto& d = source_.Directory();
    return section >= 0 && static_cast<size_t>(section) < d.size() ? d[static_cast<size_t>(section)].size : 0;
}

ListedImage696::Span ListedImage696::Bytes(int section) const {
    return section > 0 && static_cast<size_t>(section) < spans_.size() ? spans_[static_cast<size_t>(section)] : Span();
}

ListedImage696::Span ListedImage696::FindBytes(int section) const {
    const auto& d = source_.Directory();
    Span span;
    if (section <= 0 || static_cast<size_t>(section) >= d.size()) return span;
    const uint32_t start = d[static_cast<size_t>(section)].start;
    if (start == 0 || start >= Size()) return span;
    const uint32_t end = std::min(SectionEnd696(d, section), Size());
    span.start = start;
    span.data = data_.get() + start;
    span.size = end > start ? end - start : 0;
    return span;
}

uint32_t ListedImage696::RecordCount(int section) const {
    const uint32_t size = RecordSize(section);
    const uint32_t start = Start(section);
    if (size == 0 || start == 0 || start >= Size()) return 0;
    return std::min<uint32_t>(Count(section), (Size() - start) / size);
}

const uint8_t* ListedImage696::Record(int section, uint32_t n) const {
    if (n >= RecordCount(section)) return nullptr;
    return data_.get() + Start(section) + static_cast<uint64_t>(n) * RecordSize(section);
}

std::string ListedImage696::NameAtBit(uint32_t bit) const {
    const Span names = Bytes(kSectionNames);
    char text[kNameText];
    DecodeName(names.data, names.size, text, sizeof text, bit);
    return text;
}

std::string ListedImage696::NamePointerText(uint32_t pointer) const {
    const uint32_t bit = NamePointerBit696(pointer);
    if (bit >= static_cast<uint64_t>(Bytes(kSectionNames).size) * 8) return kNamePtrTooBig696;
    if (!std::binary_search(nameStarts_.begin(), nameStarts_.end(), bit)) return kNamePtrCorrupt696;
    return NameAtBit(bit);
}

bool ListedImage696::IsBlankName(uint32_t pointer) const {
    if (pointer == 0 || pointer == 0x1FFFFF) return true;
    const std::string text = NamePointerText(pointer);
    return text.find_first_not_of(' ') == std::string::npos;
}

std::string ListedImage696::CountryText(uint32_t number) const {
    if (number >= countryCount_) return kCountryTooBig696;
    std::string id;
    std::string name;
    UnpackCountryRecord(Bytes(kSectionCountries).data + number * kCountryBytes, &id, &name);
    return Trimmed(name) + "-" + Trimmed(id);
}

std::string ListedImage696::CountryId(uint32_t number) const {
    if (number >= countryCount_) return "";
    std::string id;
    std::string name;
    UnpackCountryRecord(Bytes(kSectionCountries).data + number * kCountryBytes, &id, &name);
    return id;
}

std::string ListedImage696::Ident(int type, uint32_t n, const uint8_t* record) const {
    static const uint8_t kNoEntries[kX1Entries * 3] = {};
    const Span x1 = Bytes(kPointSections696[type].x1);
    std::string ident = UnpackIdent696(kPointLayouts696[type], x1.size >= sizeof kNoEntries ? x1.data : kNoEntries, n,
                                       record);
    DecodeIdentDigits(ident.data());
    return ident;
}
