#include "gen696/Restriction696.h"

#include "gen/batch/BatchDatabase.h"
#include "gen/image/RestrictionCoder.h"

namespace {

constexpr uint32_t kTx = 1u << 21;
constexpr uint32_t kRx = 1u << 22;
constexpr int32_t kThirdDecimal = 1 << 5;

}  // namespace

bool ParseRestriction696(const std::string& text, Restriction696* out, std::string* error) {
    if (text.compare(0, 2, "R:") != 0) {
        *error = "restriction text without \"R:\"";
        return false;
    }
    size_t at = 2;
    uint32_t bits = 0;
    if (text.compare(at, 2, "RX") == 0) bits = kRx;
    if (text.compare(at, 2, "TX") == 0) bits = kTx;
    if (bits != 0) at += 2;
    while (at < text.size() && text[at] == ' ') ++at;

    RestrictionTextRules rules;
    rules.unk20Keyword = false;
    rules.quotedText = true;
    rules.emptyForm = true;
    Restriction696 r;
    const ImageResult result = EncodeRestrictionText("R:" + text.substr(at), &r.form, rules);
    if (!result.ok()) {
        *error = result.text;
        return false;
    }
    r.flagBits = bits | static_cast<uint32_t>(r.form[1] & 0x1F) << 16;
    *out = std::move(r);
    return true;
}

int32_t FrequencyFlags696(int32_t f431, uint32_t flagBits, bool thirdDecimalMark) {
    const uint32_t low = f431 == -1 ? 0 : static_cast<uint32_t>(f431) & 0xFFFF;
    const uint32_t v = (low & ~static_cast<uint32_t>(kThirdDecimal)) | (thirdDecimalMark ? kThirdDecimal : 0) |
                       (flagBits & 0xFF0000);
    return static_cast<int32_t>(v);
}

void StoreRestriction696(const Restriction696& r, int32_t* next, FreqRecord* rec) {
    rec->frsno = StoreRestrictionChain(next, r.form);
}
