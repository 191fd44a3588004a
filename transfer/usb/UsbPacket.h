// The unit's USB packet: a 12-byte little-endian header (type, three reserved bytes, u16 id,
// two zero bytes, u32 data size) and its data, 4096 bytes at most. On receipt the link keeps
// the pipe marker in byte 1 and the bytes the read returned in bytes 2-3.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr size_t kUsbPacketMax = 4096;
constexpr size_t kUsbHeaderSize = 12;
constexpr size_t kUsbInterruptPiece = 64;

constexpr uint8_t kUsbTransport = 0;
constexpr uint8_t kUsbApplication = 20;

// Pipe markers of a received packet.
constexpr uint8_t kUsbFromInterrupt = 15;
constexpr uint8_t kUsbFromBulk = 255;

// Transport ids.
constexpr uint16_t kUsbDataAvailable = 2;
constexpr uint16_t kUsbStartSession = 5;
constexpr uint16_t kUsbSessionStarted = 6;
constexpr uint16_t kUsbQueryState = 16;
constexpr uint16_t kUsbStateReply = 17;

inline uint16_t UsbU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t UsbU32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void PutUsbU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutUsbU32(uint8_t* p, uint32_t v) {
    PutUsbU16(p, v);
    PutUsbU16(p + 2, v >> 16);
}

inline uint8_t UsbPacketType(const uint8_t* packet) { return packet[0]; }
inline uint16_t UsbPacketId(const uint8_t* packet) { return UsbU16(packet + 4); }
inline uint32_t UsbPacketSize(const uint8_t* packet) { return UsbU32(packet + 8); }

// Writes a header with zero reserved bytes.
inline void PutUsbHeader(uint8_t* packet, uint8_t type, uint16_t id, uint32_t size) {
    std::memset(packet, 0, kUsbHeaderSize);
    packet[0] = type;
    PutUsbU16(packet + 4, id);
    PutUsbU32(packet + 8, size);
}
