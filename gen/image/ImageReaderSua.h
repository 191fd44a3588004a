// The vertex stream of an SUA area decoded into entries: entry 0 is the area's start position,
// the others the stream's steps, markers, arcs, circles and the heights header in turn.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/ImageReader.h"

// Sub-kinds of the entries that carry no position (the second byte of a marker, arc or circle).
enum SuaSubKind : uint8_t {
    kSuaStep = 0,
    kSuaArcPoints = 1,
    kSuaArcEnd = 3,
    kSuaArc = 5,
    kSuaArcOver180 = 7,
    kSuaCircle = 9,
    kSuaHeights = 0xFF,
};

constexpr uint32_t kMaxSuaVertices = 768;
constexpr uint32_t kMaxSuaData = 2048;
constexpr uint32_t kSuaVertexBytes = 16;

struct SuaVertex {
    uint8_t bytes[kSuaVertexBytes] = {};  // the stream from the entry on
    uint32_t length = 0;                  // bytes of the entry: 2 or 3, plus `extra`
    uint32_t extra = 0;
    uint8_t subKind = kSuaStep;
    bool positioned = false;               // a step (or entry 0): lat and lon hold its position
    int32_t latStep = 0, lonStep = 0;      // steps in units of 2^14 (centre steps for arcs and circles)
    int32_t lat = 0, lon = 0;              // the position after the step
    int32_t centreLat = 0, centreLon = 0;  // arcs and circles
    uint32_t radius = 0;                   // 12-bit radius field of arcs and circles
    uint8_t pointByte = 0;                 // arcs: point count, bit 64 clockwise

    uint8_t KindByte() const { return bytes[0]; }
};

// One SUA area read and decoded once for all the lines that show it.
struct SuaVertexList {
    uint32_t area = 0xFFFFFFFF;  // the area decoded (the cache key)
    bool heights = false;        // the area's first entry is its heights header
    bool truncated = false;      // the stream did not end on an entry boundary, or was too long
    uint8_t record[kMaxImageRecord] = {};  // the area's record
    uint32_t dataStart = 0;                // the vertex data read: [dataStart, dataEnd) in the file
    uint32_t dataEnd = 0;
    std::vector<uint8_t> data;  // its bytes, then kSuaVertexBytes zeros
    std::vector<SuaVertex> entries;

    uint32_t DataLength() const { return dataEnd - dataStart; }
};

// Decodes the vertex stream of SUA area `area` (record bytes given) into the list, unless it is
// already there; returns the number of entries (entry 0 included). The stream runs from the
// area's data pointer to the next area's (or the end of the vertex data), at most 2048 bytes,
// and never beyond the file or the vertex data.
uint32_t ReadSuaVertices(const ImageReader& reader, uint32_t area, const uint8_t* record, SuaVertexList* list);

// Reads SUA area `area`'s record and decodes its vertex stream into the list, unless it is
// already there; false (and the list emptied) when there is no such record.
bool ReadSuaArea(const ImageReader& reader, uint32_t area, SuaVertexList* list);

// The bytes of area `area`'s vertex data: [start, end) in the file; empty when the pointer lies
// outside the vertex data.
void SuaDataRange(const ImageReader& reader, uint32_t area, const uint8_t* record, uint32_t* start, uint32_t* end);
