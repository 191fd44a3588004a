#include "transfer/serial/EmulatedModels.h"

#include <algorithm>
#include <string>

#include "common/CLocale.h"

const EmulatedModel EmulatedModelTable[kEmulatedModels] = {
    {"95 AVD", "95AVD", 22, "AVD", 203, 22, 0, 4},
    {"90 / 95 XL", "90/95XL", 45, "90", 206, 18, 0, 4},
    {"89", "89", 39, "89", 202, 18, 0, 4},
    {"III Pilot", " III Pilot", 71, "3P", 206, 106, 54, 4},
    {"195", "195", 48, "195", 202, 39, 0, 4},
    {"92 / 190", "92/190", 112, "92", 206, 18, 0, 4},
    {"295", "295", 128, "295", 221, 103, 69, 20},
    {"196", "196", 145, "196", 202, 103, 69, 20},
    {"296", "296", 260, "296", 490, 103, 114, 52},
    {"96", "96", 364, "96", 220, 103, 69, 52},
    {"96C", "96C", 365, "96C", 221, 140, 114, 52},
    {"396", "396", 402, "396", 271, 140, 114, 52},
    {"496", "496/495", 595, "496", 271, 140, 0, 52},
};

namespace {

// Further texts of the larger models: their built-in maps and data.
constexpr const char* kBuiltInData[] = {
    "Basemap Americas 2.10", "Aviation Database Not Loaded", "Terrain Database 1.05",
    "Obstacle Database 2.20", "Marine Points 1.00", "Tides Database 1.30",
};

// Protocols of the units that send an array: link, commands, waypoints, routes, tracks,
// proximity, almanac, date and position.
constexpr const char* kProtocols18[] = {"P000", "L001", "A010", "A100", "D108", "A200", "D201", "D108", "A300",
                                        "D300", "A400", "D108", "A500", "D500", "A600", "D600", "A700", "D700"};
constexpr const char* kProtocols23[] = {"P000", "L001", "A010", "A100", "D108", "A201", "D202", "D108",
                                        "D210", "A301", "D310", "D301", "A400", "D108", "A500", "D501",
                                        "A600", "D600", "A700", "D700", "A800", "D800", "A900"};
constexpr const char* kProtocols38[] = {
    "P000", "L001", "A010", "A100", "D109", "A201", "D202", "D109", "D210", "A301", "D310", "D302", "A400",
    "D109", "A500", "D501", "A600", "D600", "A700", "D700", "A800", "D800", "A900", "A902", "A903", "A904",
    "A906", "D906", "A1000", "D1009", "A1002", "A1004", "A1005", "A1006", "A1007", "A1008", "A1009", "A1010"};

void PutU16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8 & 0xFF));
}

// Adds a zero-ended text cut to the room left before `size`.
void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    const size_t room = size - out.size();
    const size_t n = std::min(text.size(), room - 1);
    out.insert(out.end(), text.begin(), text.begin() + static_cast<long>(n));
    out.push_back(0);
}

}  // namespace

std::vector<uint8_t> ProductDataPayload(int model) {
    const EmulatedModel& m = EmulatedModelTable[model];
    const size_t size = static_cast<size_t>(m.productDataSize);
    std::vector<uint8_t> out;
    PutU16(out, m.productId);
    PutU16(out, m.version);
    PutText(out, StringFormatC("GPS %s %d.%02d", m.word, m.version / 100, m.version % 100), size);
    for (size_t i = 0; out.size() + 8 <= size; i = (i + 1) % std::size(kBuiltInData)) PutText(out, kBuiltInData[i], size);
    // The last text is padded with blanks to the payload's size.
    while (out.size() < size) out.insert(out.end() - 1, ' ');
    return out;
}

std::vector<uint8_t> ProtocolArrayPayload(int model) {
    const int size = EmulatedModelTable[model].protocolArraySize;
    const char* const* list = size == 54 ? kProtocols18 : size == 69 ? kProtocols23 : kProtocols38;
    std::vector<uint8_t> out;
    for (int i = 0; i < size / 3; ++i) {
        out.push_back(static_cast<uint8_t>(list[i][0]));
        PutU16(out, std::atoi(list[i] + 1));
    }
    return out;
}

uint32_t EmulatedSerialNumber(int model) { return 3300000000u + static_cast<uint32_t>(EmulatedModelTable[model].productId); }

std::vector<uint8_t> UnitIdPayload(int model) {
    const uint32_t serial = EmulatedSerialNumber(model);
    std::vector<uint8_t> out{static_cast<uint8_t>(serial), static_cast<uint8_t>(serial >> 8),
                             static_cast<uint8_t>(serial >> 16), static_cast<uint8_t>(serial >> 24)};
    for (int i = 4; i < EmulatedModelTable[model].unitIdSize; ++i) out.push_back(static_cast<uint8_t>(i));
    return out;
}
