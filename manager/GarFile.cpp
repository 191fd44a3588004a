#include "manager/GarFile.h"

#include <algorithm>

#include "platform/MessageBox.h"

int GarFormatFromProduct(uint16_t productId) {
    switch (productId) {
    case 31: case 41: case 77: case 87: case 96: return 1;
    case 22: case 36: case 39: case 45: return 2;
    case 48: return 3;
    case 71: return 4;
    case 53: case 112: return 5;
    case 128: return 6;
    case 145: case 260: return 7;
    case 364: case 365: return 8;
    case 402: case 406: case 595: case 745: case 887: return 9;
    default: return 0;
    }
}

bool GarReader::Next(GarPacket& packet) {
    if (bytes_.size() - position_ < 2) {
        position_ = bytes_.size();
        return false;
    }
    packet.id = static_cast<uint8_t>(bytes_[position_]);
    packet.size = static_cast<uint8_t>(bytes_[position_ + 1]);
    position_ += 2;
    if (bytes_.size() - position_ < static_cast<size_t>(packet.size)) {
        position_ = bytes_.size();
        return false;
    }
    bytes_.copy(reinterpret_cast<char*>(packet.data), static_cast<size_t>(packet.size), position_);
    position_ += static_cast<size_t>(packet.size);
    return true;
}

int ReadGarHeader(GarReader& reader, GarPacket& packet, GarHeader& header) {
    for (;;) {
        if (!reader.Next(packet)) {
            platform::ShowMessage("Unexpected End of File");
            return 0;
        }
        if (packet.id == kGarProductData) {
            header.productId = packet.size >= 2 ? static_cast<uint16_t>(packet.data[0] | packet.data[1] << 8) : 0;
            header.format = GarFormatFromProduct(header.productId);
            if (header.format == 0) {
                platform::ShowMessage("Kestrane cannot handle waypoints from this gps unit at present");
                return 0;
            }
        } else if (packet.id == kGarRecordCount) {
            header.count = packet.size >= 2 ? static_cast<int16_t>(packet.data[0] | packet.data[1] << 8) : 0;
        } else {
            return 1;
        }
    }
}

GarWriter::GarWriter(uint16_t productId) {
    const uint8_t product[4] = {static_cast<uint8_t>(productId), static_cast<uint8_t>(productId >> 8), 0, 0};
    Put(kGarProductData, product, 4);
    const uint8_t zero[2] = {};
    Put(kGarRecordCount, zero, 2);
    count_ = 0;
}

void GarWriter::Put(int id, const uint8_t* data, int size) {
    bytes_.push_back(static_cast<char>(id));
    bytes_.push_back(static_cast<char>(size));
    bytes_.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    ++count_;
}

uint8_t* GarWriter::Begin(int id, const uint8_t* start) {
    begun_ = bytes_.size();
    bytes_.push_back(static_cast<char>(id));
    bytes_.push_back(0);
    bytes_.append(reinterpret_cast<const char*>(start), 256);
    return reinterpret_cast<uint8_t*>(bytes_.data() + begun_ + 2);
}

void GarWriter::End(int size) {
    bytes_[begun_ + 1] = static_cast<char>(size);
    bytes_.resize(begun_ + 2 + static_cast<size_t>(size));
    ++count_;
}

void GarWriter::Reserve(int32_t packets) {
    const size_t most = static_cast<size_t>(std::clamp<int32_t>(packets, 0, kGarMaxRecords + 1));
    bytes_.reserve(bytes_.size() + (most + 1) * 258);
}

void GarWriter::Finish(int command) {
    const int count = count_;
    const uint8_t complete[2] = {static_cast<uint8_t>(command), 0};
    Put(kGarEnd, complete, 2);
    count_ = count;
    bytes_[8] = static_cast<char>(count & 0xFF);
    bytes_[9] = static_cast<char>((count >> 8) & 0xFF);
}
