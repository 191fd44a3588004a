// The highest record number of a record file, for the numbers of new records.
#pragma once

#include <cstdint>

class IsamMgr;

// Searches past the last key of the number index and steps back one; 0 for an empty file. The
// file is opened when closed and then closed again; the object's fields are overwritten.
int32_t HighestRecordNumber(IsamMgr& file, const char* numberIndex, int32_t& numberField);
