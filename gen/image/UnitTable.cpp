#include "gen/image/UnitTable.h"

#include "common/PartNumber.h"

const UnitProgramRow UnitProgramTable[] = {
    {26, 4, 1, "GPS95AVD", "Dallowen"},
    {26, 9, 1, "GPS90/95XL", "Dallowen"},
    {18, 10, 3, "GPS89", "Fulmaro"},
    {29, 11, 5, "GPS92/190", "Sovrick"},
    {33, 14, 2, "195/295/196/296/96/396/iQue", "Pelmora"},
    {42, 19, 4, "GPS III Pilot", "Quenmar"},
    {33, 677, 6, "496", "Brondel"},
    {150, 974, 7, "696", "Tessily"},
    {150, 170, 8, "G500/600/1000", "Ostrevan"},
    {150, 2049, 8, "G1000h", "Ostrevan"},
    {150, 5159, 12, "G1000r2", "Pallisen"},
    {150, 5307, 12, "G1000hr2", "Pallisen"},
    {150, 8304, 12, "Aera760", "Pallisen"},
    {147, 18, 9, "GNS420/430/530", "Rudmere"},
    {50, 3, 10, "GNC250", "Sellavin"},
    {50, 8, 10, "GPS155", "Sellavin"},
    {150, 4602, 11, "Ipad Pilot", "Tornquell"},
    {0, 0, 0, nullptr, nullptr},
};

const size_t kUnitProgramRows = sizeof UnitProgramTable / sizeof UnitProgramTable[0] - 1;

const UnitProgramRow* FindUnitProgramRow(const uint8_t* header, size_t size) {
    for (const UnitProgramRow* row = UnitProgramTable; row->kind != 0; ++row) {
        if (DecodePartNumber(header, size, row->offset) == static_cast<int>(row->partNumber)) return row;
    }
    return nullptr;
}
