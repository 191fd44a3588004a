#include "transfer/common/TraceText.h"

#include <atomic>
#include <ctime>

#include "common/CLocale.h"

namespace {

// The time of the previous trace line; the first line counts from tick 0.
std::atomic<int64_t> previousMs{0};

int64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

std::string HexDump(const char* label, const uint8_t* bytes, int count, int value) {
    std::string text = StringFormatC("%s:", label);
    for (int i = 0; i < count && i < 32; ++i) text += StringFormatC(" %02x", bytes[i]);
    if (count > 32) text += " ...";
    text += StringFormatC(" (%d)", value);
    return text;
}

TraceLine::TraceLine(const char* procedure) : TraceLine(procedure, MonotonicMs()) {}

TraceLine::TraceLine(const char* procedure, int64_t nowMs) {
    const int64_t elapsed = nowMs - previousMs.exchange(nowMs);
    text_ = StringFormatC("<<%8d>> %s(", static_cast<int>(elapsed), procedure);
}

TraceLine& TraceLine::Name(const char* name) {
    text_ += StringFormatC(" %s", name);
    return *this;
}

TraceLine& TraceLine::Hex(unsigned value) {
    text_ += StringFormatC(" 0x%x", value);
    return *this;
}

TraceLine& TraceLine::Dec(int value) {
    text_ += StringFormatC(" %d", value);
    return *this;
}

std::string PacketProgressText(int packets) { return StringFormatC("Packets Transferred: %d", packets); }
