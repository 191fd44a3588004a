#include "gen/image/NamesTable.h"

#include "gen/image/NameCoder.h"

uint32_t NamesTableWriter::Add(const char* name) {
    const uint32_t start = bits_;
    const uint32_t local = bits_ - 8 * taken_;
    pending_.resize((local + NameCodeBits(name) + 7) / 8, 0);
    bits_ = 8 * taken_ + EncodeNameText(name, local, pending_.data());
    ++count_;
    return start;
}

std::vector<uint8_t> NamesTableWriter::TakeCompleteBytes() {
    const uint32_t whole = bits_ / 8 - taken_;
    std::vector<uint8_t> out(pending_.begin(), pending_.begin() + whole);
    pending_.erase(pending_.begin(), pending_.begin() + whole);
    taken_ += whole;
    return out;
}

std::vector<uint8_t> NamesTableWriter::Finish() {
    std::vector<uint8_t> out;
    out.swap(pending_);
    out.resize(ByteLength() - taken_, 0);
    taken_ = ByteLength();
    return out;
}
