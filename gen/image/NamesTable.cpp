#include "gen/image/NamesTable.h"

#include <cstring>

#include "gen/image/NameCoder.h"

uint32_t NamesTableWriter::Add(const char* name) {
    const uint32_t start = bits_;
    const uint32_t local = bits_ - 8 * taken_;
    // Room for the longest code (9 bits a character) and the end code, cut to the code's length
    // after: the bytes behind the table stay 0 for the next name.
    pending_.resize((local + kMaxNameCharBits * std::strlen(name) + kNameEndBits + 7) / 8, 0);
    const uint32_t end = EncodeNameText(name, local, pending_.data());
    pending_.resize((end + 7) / 8);
    bits_ = 8 * taken_ + end;
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
