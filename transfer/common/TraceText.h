// The transfer programs' debug traces: hex dumps of frames and the trace line of each
// procedure, stamped with the milliseconds since the previous trace line.
#pragma once

#include <cstdint>
#include <string>

// "%s:" (label), " %02x" for each of the first 32 bytes, " ..." when count exceeds 32,
// then " (%d)" (value).
std::string HexDump(const char* label, const uint8_t* bytes, int count, int value);

// "<<%8d>> %s(" with the milliseconds since the previous line and the procedure's name,
// then its arguments, closed by " )".
class TraceLine {
public:
    TraceLine(const char* procedure);
    // The milliseconds are taken from the clock given (tests), else from the monotonic clock.
    TraceLine(const char* procedure, int64_t nowMs);
    TraceLine& Name(const char* name);  // "%s %s"
    TraceLine& Hex(unsigned value);     // "%s 0x%x"
    TraceLine& Dec(int value);          // "%s %d"
    std::string Text() const { return text_ + " )"; }

private:
    std::string text_;
};

// The "Packets Transferred: %d" progress line.
std::string PacketProgressText(int packets);
