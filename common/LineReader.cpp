#include "common/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr size_t kChunk = 65536;
}

LineReader::LineReader(int fd, const uint8_t* data, size_t size) : fd_(fd), view_(data), end_(size) {
    if (fd_ >= 0) {
        buffer_.resize(kChunk);
        end_ = 0;
    } else {
        eof_ = true;
    }
}

LineReader LineReader::FromDescriptor(int fd) { return LineReader(fd < 0 ? -2 : fd, nullptr, 0); }

LineReader LineReader::FromBuffer(const void* data, size_t size) {
    return LineReader(-1, static_cast<const uint8_t*>(data), size);
}

bool LineReader::Fill(size_t count) {
    if (fd_ == -2) {  // an invalid descriptor
        error_ = EBADF;
        return false;
    }
    while (Available() < count && !eof_) {
        if (pos_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + pos_, Available());
            end_ -= pos_;
            pos_ = 0;
        }
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        if (got == 0) eof_ = true;
        end_ += static_cast<size_t>(got);
    }
    return true;
}

size_t LineReader::LineEndAt() const {
    const uint8_t* data = Data();
    if (Available() == 0) return 0;
    if (data[pos_] == '\n') return 1;
    if (data[pos_] != '\r') return 0;
    if (Available() == 1) return 1;  // a CR that ends the input
    return data[pos_ + 1] == '\n' ? 2 : 0;
}

LineReader::Result LineReader::Next(std::string& line, size_t limit) {
    if (limit == 0) limit = 1;
    line.clear();
    hadNul_ = false;
    if (!Fill(1)) return Result::Error;
    if (Available() == 0) {
        // A long line's last piece always has a byte left, so here the input is done.
        inLine_ = false;
        return Result::End;
    }
    if (!inLine_) ++lineNumber_;
    for (;;) {
        if (!Fill(2)) return Result::Error;
        const size_t lineEnd = LineEndAt();
        if (lineEnd > 0) {
            pos_ += lineEnd;
            inLine_ = false;
            return Result::Line;
        }
        if (Available() == 0) {  // the last line has no line end
            inLine_ = false;
            return Result::Line;
        }
        if (line.size() == limit) {
            inLine_ = true;
            return Result::LongLine;
        }
        // Take the bytes up to the next CR or LF, within the limit, in one go.
        const uint8_t* start = Data() + pos_;
        size_t n = 1;
        const size_t most = std::min(Available(), limit - line.size());
        while (n < most && start[n] != '\n' && start[n] != '\r') ++n;
        if (!hadNul_ && std::memchr(start, 0, n)) hadNul_ = true;
        line.append(reinterpret_cast<const char*>(start), n);
        pos_ += n;
    }
}

void LineReader::SkipRestOfLine() {
    if (!inLine_) return;
    std::string piece;
    while (Next(piece, kChunk) == Result::LongLine) {
    }
}
