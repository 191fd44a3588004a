#include "gen/image/SuaTypeNames.h"

namespace {

constexpr int kTypeCount = 16;
constexpr int kUnknownTypeCode = 7;

const char* const kTypesA[kTypeCount] = {
    "Class C", "Control Area", "Terminal Ctrl", "TRSA", "Class B", "Control Zone", "Control Tower", "ATZ",
    "Class A", "Class D", "Class E", "MATZ", "TIZ", "Unknown ZoneD", "Unknown ZoneE", "Unknown ZoneF",
};
const char* const kTypesB[kTypeCount] = {
    "Alert Area", "Caution Area", "Danger Area", "MOA", "Prohibited Area", "Restricted Area", "Training Area",
    "ADIZ", "Warning Area", "Mode C Veil", "Mode-C Veil", "Unknown AreaB", "Unknown AreaC", "Unknown AreaD",
    "Unknown AreaE", "Unknown AreaF",
};

const char* const* Column(const char* const* typesB, bool kindA) {
    if (kindA) return kTypesA;
    return typesB ? typesB : kTypesB;
}

}  // namespace

const char* SuaTypeName(const char* const* typesB, bool kindA, uint32_t code) {
    return Column(typesB, kindA)[code % kTypeCount];
}

int SuaTypeCode(const char* const* typesB, bool kindA, const std::string& name) {
    const char* const* column = Column(typesB, kindA);
    for (int i = 0; i < kTypeCount; ++i) {
        if (name == column[i]) return i;
    }
    if (column == kTypesB && name == "Unknown Type") return kUnknownTypeCode;
    return -1;
}
