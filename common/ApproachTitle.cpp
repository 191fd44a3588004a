#include "common/ApproachTitle.h"

#include <cstring>
#include <string>

#include "common/CLocale.h"

namespace {

const char* const kTypeNames[21] = {"GPS",    "GPS-A", "LORAN", "ILS",     "IGS",   "LOC",       "LOC BC",
                                    "LOC",    "LOC",   "LDA",   "SDF",     "VOR/DME", "TACAN",   "VOR",
                                    "VOR-A",  "NDB/DME", "NDB", "NDB/DME-A", "RNAV", "RNAV-A",   "TAC-A"};

struct LetterName {
    char letter;
    const char* name;
};

const LetterName kLetterNames[] = {{'B', "LOC BC"}, {'D', "VOR/DME"}, {'G', "IGS"},  {'I', "ILS"},
                                   {'L', "LOC"},    {'N', "NDB"},     {'P', "GPS"},  {'Q', "NDB/DME"},
                                   {'R', "RNAV"},   {'S', "VOR"},     {'T', "TACAN"}, {'V', "VOR"},
                                   {'X', "LDA"},    {'Z', "SDF"}};

struct CodeName {
    const char* code;
    const char* name;
};

const CodeName kOtherIdents[] = {
    {"BDMx", "LOC BC"},  {"CNDB", "NDB C-T-L"}, {"CNDM", "NDB C-T-L"}, {"CVOR", "VOR C-T-L"},
    {"CVDM", "VOR C-T-L"}, {"GPSx", "GPS"},     {"LBCx", "LOC BC"},    {"LDAx", "LOC"},
    {"LDMx", "LOC"},     {"LOCx", "LOC"},       {"NDBx", "NDB"},       {"NDBd", "NDB"},
    {"NDMx", "NDB/DME"}, {"NDMd", "NDB/DME"},   {"RNVx", "RNAV"},      {"TACx", "TACAN"},
    {"VORx", "VOR"},     {"VORd", "VOR"},       {"VDMx", "VOR/DME"},   {"VDMd", "VOR/DME"},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

const char* LetterTypeName(char letter) {
    for (const LetterName& entry : kLetterNames) {
        if (entry.letter == letter) return entry.name;
    }
    return nullptr;
}

}  // namespace

const char* ApproachTypeName(int typeCode) {
    return (typeCode >= 0 && typeCode <= 40) ? kTypeNames[typeCode / 2] : "unknown";
}

void ApproachTitleText(char* out, size_t size, const char* ident) {
    std::string id(ident);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    id.resize(id.size() + 4, '\0');  // so that the characters looked at past the end read as NUL
    const char* s = id.c_str();

    const char* letterName = LetterTypeName(s[0]);
    if (letterName && IsDigit(s[1]) && IsDigit(s[2])) {
        if (IsDigit(s[3])) {
            FormatC(out, size, "%s %.3s %c", letterName, s + 1, s[4] ? s[4] : ' ');
        } else {
            FormatC(out, size, "%s RW%s", letterName, s + 1);
        }
        return;
    }
    for (const CodeName& entry : kOtherIdents) {
        if (std::strcmp(s, entry.code) == 0) {
            FormatC(out, size, "%s", entry.name);
            return;
        }
        if (std::strncmp(s, entry.code, 3) != 0) continue;
        if (entry.code[3] == 'x' && IsUpper(s[3])) {
            FormatC(out, size, "%s-%s", entry.name, s + 3);
            return;
        }
        if (entry.code[3] == 'd' && !IsUpper(s[3])) {
            FormatC(out, size, "%s %s", entry.name, s + 3);
            return;
        }
    }
    FormatC(out, size, "unknown (%s)", s);
}

void ApproachLineText(char* out, size_t size, int typeCode, const char* ident, bool showRaw) {
    char title[64];
    ApproachTitleText(title, sizeof title, ident);
    if (typeCode >= 0 && typeCode <= 40) {
        FormatC(out, size, "%s Approach: %s", ApproachTypeName(typeCode), title);
    } else {
        FormatC(out, size, "Unknown Approach (type %02x): %s", static_cast<unsigned>(typeCode), title);
    }
    if (showRaw) AppendFormatC(out, size, " (%x/%s)", static_cast<unsigned>(typeCode), ident);
}
