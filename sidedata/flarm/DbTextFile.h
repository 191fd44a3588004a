// The suite's DB text: "ID|CMP REG    TYPE       NAME" lines ended by CR LF.
#pragma once

#include <string>

class FlarmInput;
class FlarmMemory;

// Files whose path holds this carry (or, written, keep only) records of the OGN database.
inline constexpr const char* kOgnDbPathMark = "OGNdb";

void ReadDbTextFile(FlarmMemory& memory, FlarmInput& input);
// Writes every record (only those with the OGN flag when the path holds "OGNdb"); a record
// without NAME loses REG and TYPE, which is listed once. Returns the records written.
int WriteDbTextFile(FlarmMemory& memory, const std::string& path, std::string& out);
