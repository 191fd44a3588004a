// FlarmView's database: 14-byte binary records of a FlarmID and a competition id.
#pragma once

#include <string>

class FlarmInput;
class FlarmMemory;

constexpr size_t kFlarmViewRecordSize = 14;

void ReadFlarmViewFile(FlarmMemory& memory, FlarmInput& input);
// Writes the records that have a COMPID; returns how many.
int WriteFlarmViewFile(FlarmMemory& memory, std::string& out);
