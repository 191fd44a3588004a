// GAR files: unit link packets (id byte, size byte, that many data bytes) one after another,
// no header and no padding. A file opens with product data and a record count, carries the
// records of one kind and ends with transfer complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/GarPacketIds.h"

// Transfer-complete commands.
constexpr int kGarCommandWaypoints = 7;
constexpr int kGarCommandRoutes = 4;

// The waypoint format standing for a GPX file (never from a product id).
constexpr int kGpxFormat = 10;

// The count field is a signed 16-bit number.
constexpr int kGarMaxRecords = 32767;

// One packet. The data buffer has a byte more than a packet can carry, so that a record
// builder may clear 256 bytes.
struct GarPacket {
    int id = 0;
    int size = 0;
    uint8_t data[256] = {};
};

// The waypoint format (1-9) of a unit's product id, 0 when it is not supported.
int GarFormatFromProduct(uint16_t productId);

// What the packets before the first record told: product id, its format and the record count.
struct GarHeader {
    uint16_t productId = 0;
    int format = 0;
    int count = 0;
};

// Reads packets from a GAR file held in memory.
class GarReader {
public:
    explicit GarReader(std::string bytes) : bytes_(std::move(bytes)) {}
    // The next packet; false when its id and size or its data stop early (nothing is read past
    // the end).
    bool Next(GarPacket& packet);

private:
    std::string bytes_;
    size_t position_ = 0;
};

// Reads packets until one that is neither product data nor a record count, which is left in
// the packet: 1. Product data sets the product id and format, a record count the count. 0 after
// "Unexpected End of File" (a packet cut short, or the end of the file) or after "Kestrane cannot
// handle waypoints from this gps unit at present" (product data of an unsupported unit).
int ReadGarHeader(GarReader& reader, GarPacket& packet, GarHeader& header);

// Builds a GAR file in memory: product data and a zero count, then the packets; Finish writes
// transfer complete and the number of packets after the count into the count at offset 8.
class GarWriter {
public:
    explicit GarWriter(uint16_t productId);
    void Put(int id, const uint8_t* data, int size);
    // A packet built in place: its id and the 256 bytes of `start` are added, and their copy is
    // returned to be finished; End(size) ends the packet there.
    uint8_t* Begin(int id, const uint8_t* start);
    void End(int size);
    // Room for that many more packets of the largest size, so that the bytes never move.
    void Reserve(int32_t packets);
    // Packets written after the count packet.
    int Count() const { return count_; }
    void Finish(int command);
    const std::string& Bytes() const { return bytes_; }
    std::string TakeBytes() { return std::move(bytes_); }

private:
    std::string bytes_;
    size_t begun_ = 0;  // where the packet begun last starts
    int count_ = 0;
};
