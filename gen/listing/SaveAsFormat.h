// The forms of Save As, chosen by the file name: the type table of the save dialog, the types a
// listing kind offers, the flags of a name, the names reserved for other listings, and the
// type's pattern added to a name typed without an extension.
#pragma once

#include <string>
#include <vector>

struct SaveAsType {
    const char* filter;   // the dialog's filter text
    const char* pattern;  // "*bat.txt"
};

enum SaveAsRow : int {
    kSaveText = 0,
    kSaveBatch = 1,
    kSaveTextDump = 2,
    kSaveBatchDump = 3,
    kSaveSuaDump = 4,
    kSaveTccDump = 5,
    kSaveApproachDump = 6,
    kSaveSbsFile = 7,
    kSaveSbsDump = 8,
    kSaveSbsSuaDump = 9,
    kSaveAirwayDump = 10,
    kSaveAllFiles = 11,
    kSaveAsTypeCount = 12,
};

extern const SaveAsType kSaveAsTypeTable[kSaveAsTypeCount];

// Listing kind of the airways listing (the 696 family's).
constexpr int kListAirways = 12;

// The rows offered for listing kind K, in the dialog's order.
std::vector<int> SaveAsTypesOffered(int kind);

// The flags of a file name: each is set when the name (without its folder) holds its text.
struct SaveAsNameFlags {
    bool bat = false;  // "bat."
    bool sbs = false;  // "sbs."
    bool txt = false;  // "txt."
    bool all = false;  // ".all"
    bool out = false;  // ".out"

    static SaveAsNameFlags Of(const std::string& path);
    // The batch form: bat, or sbs without out, or all without txt.
    bool BatchForm() const { return bat || (sbs && !out) || (all && !txt); }
    // A full dump rather than the lines shown.
    bool Dump() const { return all || out; }
};

// The refusal of a name for listing kind K ("Format reserved for ..."), or "" when the name may
// be used. A later rule's text replaces an earlier one's.
std::string SaveAsReservedMessage(int kind, const std::string& path);

// True when the name asks for region files: ".rg1" after its first character.
bool IsRegionFileName(const std::string& path);

// A name typed without a '.' after its first character gets the chosen type's pattern without
// its '*' (bat.txt for "Batch File [*bat.txt]"); not for "SBS SUA Dump" nor "All Files".
std::string WithTypePattern(const std::string& path, int row);
