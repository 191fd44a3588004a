#include "gen/image/CountryRecord.h"

#include <cstring>

#include "common/SixBitCode.h"
#include "common/SixBitText.h"

namespace {

constexpr size_t kRecordSize = 9;
constexpr size_t kTextLength = 12;

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

void PackCountryRecord(uint8_t out[9], const char* cid, size_t cidSize, const char* cname, size_t cnameSize) {
    std::string id = Field(cid, cidSize).substr(0, 2);
    id.resize(2, ' ');
    std::string name = Field(cname, cnameSize);
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.pop_back();
    const std::string text = SixBitTextOf((id + name).substr(0, kTextLength));
    std::memset(out, 0, kRecordSize);
    PackSixBitText(out, kRecordSize, text.c_str());
}

void UnpackCountryRecord(const uint8_t record[9], std::string* id, std::string* name) {
    char text[kTextLength + 1];
    UnpackSixBitText(record, kRecordSize, kTextLength, text);
    *id = std::string(text, 2);
    *name = std::string(text + 2);
    while (!name->empty() && name->back() == ' ') name->pop_back();
}
