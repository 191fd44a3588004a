// The unit/program table: which generator makes the images of which unit family, and where
// each family's image header holds its part number.
#pragma once

#include <cstddef>
#include <cstdint>

// Program kinds of the suite's generators (the unit families whose images they make).
enum ProgramKind : int {
    kKindDallowen = 1,
    kKindPelmora = 2,
    kKindFulmaro = 3,
    kKindQuenmar = 4,
    kKindSovrick = 5,
    kKindBrondel = 6,
    kKindTessily = 7,
};

struct UnitProgramRow {
    uint32_t offset;      // header offset of the packed part number
    uint32_t partNumber;
    int kind;             // 0 ends the table
    const char* unit;
    const char* program;
};

// 17 rows and the closing row of kind 0.
extern const UnitProgramRow UnitProgramTable[];
extern const size_t kUnitProgramRows;

// The first row whose part number the header holds at the row's offset, or null.
const UnitProgramRow* FindUnitProgramRow(const uint8_t* header, size_t size);
