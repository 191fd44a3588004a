// Base of the record-file classes of the aeronautical database: an IsamMgr whose fields can
// also be moved as whole record images (the layout on disk).
#pragma once

#include "dblib/IsamMgr.h"

#include <bit>
#include <cstdint>
#include <string>

// Record images are little-endian and the fields are copied to and from them unchanged.
static_assert(std::endian::native == std::endian::little);

class RecordFile : public IsamMgr {
public:
    using IsamMgr::IsamMgr;

    // The object's fields as RecordLength() bytes of a record, and back.
    void CopyOut(uint8_t* record) { StoreRecord(record); }
    void CopyIn(const uint8_t* record) { LoadRecord(record); }
};
