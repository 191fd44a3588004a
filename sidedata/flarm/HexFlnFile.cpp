#include "sidedata/flarm/HexFlnFile.h"

#include <cstring>

#include "sidedata/flarm/FlarmHex.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

// Offsets and widths of the fields in the 86 bytes.
struct HexFlnField {
    size_t offset;
    size_t width;
};
constexpr HexFlnField kId{0, 6};
constexpr HexFlnField kName{6, 20};
constexpr HexFlnField kAirfield{27, 20};
constexpr HexFlnField kType{48, 20};
constexpr HexFlnField kReg{69, 6};
constexpr HexFlnField kCompId{76, 3};
constexpr HexFlnField kFrequency{79, 7};

// The value cut to the field's width (the text is blank-filled before).
void PutField(char* text, HexFlnField f, const char* value) {
    size_t length = std::strlen(value);
    if (length > f.width) length = f.width;
    std::memcpy(text + f.offset, value, length);
}

}  // namespace

void ReadHexFlnFile(FlarmMemory& memory, FlarmInput& input) {
    input.ReadUntil('\n');
    std::string_view first = input.LineView();
    if (first.size() == 6 && IsHexVersion(first)) {
        memory.version = std::string(first);
        memory.ListF("Version %s", memory.version.c_str());
    }
    // The decoded text, and room to read a whole field's size at each field's place.
    char text[kHexFlnTextSize + sizeof(FlarmRecord::NAME)] = {};
    bool committed = false;  // the parse record is empty
    for (;;) {
        std::string_view hex = input.Take(kHexFlnLineSize);
        if (hex.empty()) return;
        if (hex.size() < 2 * kHexFlnTextSize) {
            memory.List("Incomplete record at end of file");
            return;
        }
        DecodeHex(hex.data(), kHexFlnTextSize, text);
        FlarmRecord& r = memory.parse;
        SetNormalisedId(r.FlarmID, text + kId.offset, kId.width);
        SetNormalisedText(r.NAME, text + kName.offset, kName.width);
        SetNormalisedText(r.AIRFIELD, text + kAirfield.offset, kAirfield.width);
        SetNormalisedText(r.TYPE, text + kType.offset, kType.width);
        SetNormalisedText(r.REG, text + kReg.offset, kReg.width);
        SetNormalisedText(r.COMPID, text + kCompId.offset, kCompId.width);
        SetNormalisedText(r.FREQUENCY, text + kFrequency.offset, kFrequency.width);
        if (committed) {
            memory.CommitNormalisedRecord(false);
        } else {
            memory.CommitFlarmRecord(false);
        }
        committed = true;
    }
}

int WriteHexFlnFile(FlarmMemory& memory, std::string& out) {
    const auto& records = memory.Records();
    out.reserve(out.size() + 7 + records.size() * kHexFlnLineSize);
    out += memory.version;
    out += '\n';
    int written = 0;
    for (const FlarmRecord& r : records) {
        char text[kHexFlnTextSize];
        std::memset(text, ' ', sizeof text);
        PutField(text, kId, r.FlarmID);
        PutField(text, kName, r.NAME);
        PutField(text, kAirfield, r.AIRFIELD);
        PutField(text, kType, r.TYPE);
        PutField(text, kReg, r.REG);
        PutField(text, kCompId, r.COMPID);
        PutField(text, kFrequency, r.FREQUENCY);
        for (char c : text) AppendHexByte(out, static_cast<uint8_t>(c), false);
        out += '\n';
        ++written;
    }
    return written;
}
