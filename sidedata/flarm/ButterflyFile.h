// The Butterfly display's database: Intel-HEX lines whose data, 16 lines to a block, hold 12
// records of a FlarmID and 18 bytes of bit-packed fields.
#pragma once

#include <cstdint>
#include <string>

class FlarmInput;
class FlarmMemory;
struct FlarmRecord;

constexpr int kButterflyRecordsPerBlock = 12;
constexpr int kButterflyLinesPerBlock = 16;
constexpr int kButterflyBlockChars = 512;
constexpr int kButterflyRecordChars = 42;
constexpr int kButterflyPackedBytes = 18;

// Reads blocks until the end of the file, an empty line or an all-zero record.
void ReadButterflyFile(FlarmMemory& memory, FlarmInput& input);

// Decodes record `index` (0-11) of a block of 512 hexadecimal characters into the record;
// false when its 18 bytes are all zero (the end of the records).
bool DecodeButterflyBlock(const char* block, int index, FlarmRecord& record);

// The 18 packed bytes of a record; a frequency that cannot be stored is told to
// `frequencyNotStored` and packed as none.
void PackButterflyRecord(const FlarmRecord& record, unsigned typeCode, uint8_t packed[kButterflyPackedBytes],
                         bool* frequencyNotStored = nullptr);

// Writes the merged set; returns the number of records written.
int WriteButterflyFile(FlarmMemory& memory, std::string& out);
