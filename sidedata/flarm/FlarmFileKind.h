// The six FLARM database formats that Gindral reads, told apart by a file's first 16 bytes.
#pragma once

#include <string_view>

class FlarmInput;
class FlarmMemory;

enum FlarmFileKind : int {
    kKindButterfly = 0,
    kKindFlarmView = 1,
    kKindHexFln = 2,
    kKindShiftedXml = 3,
    kKindDbText = 4,
    kKindGlidernet = 5,
    kKindUnknown = 6,
};

extern const char* const FlarmFileKindNames[7];

// The kind of a file from its first bytes (fewer than 16 when the file is shorter).
FlarmFileKind DetectFileKind(std::string_view head);

// Lists "This file is %s format" with the detected kind and reads the file with its reader
// (nothing for an unknown kind). Returns the kind.
FlarmFileKind ReadFlarmFile(FlarmMemory& memory, FlarmInput& input);
