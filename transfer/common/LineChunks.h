// Text lines, each followed by CR LF, gathered in a buffer that is handed to a writer a chunk
// at a time. A line can be added whole, or written straight into room taken at the end.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

class LineChunks {
public:
    // Takes a chunk of the text; false when it could not be written.
    using Writer = std::function<bool(const char* data, size_t size)>;
    static constexpr size_t kChunk = 64 * 1024;

    explicit LineChunks(Writer writer)
        : writer_(std::move(writer)), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)), size_(kChunk) {}

    void Add(std::string_view line) {
        char* p = Room(line.size() + 2);
        if (!line.empty()) std::memcpy(p, line.data(), line.size());
        p += line.size();
        p[0] = '\r';
        p[1] = '\n';
        Commit(p + 2);
    }
    // Room for n bytes at the end of the text; Commit keeps what was written there up to end.
    // What is gathered is handed on first where n bytes more would pass a chunk's size.
    char* Room(size_t n) {
        if (used_ + n > kChunk) MakeRoom(n);
        return buffer_.get() + used_;
    }
    void Commit(const char* end) { used_ = static_cast<size_t>(end - buffer_.get()); }

    // False once a chunk could not be written; what follows is dropped.
    bool Ok() const { return ok_; }
    // Hands on the rest; false when any chunk could not be written.
    bool Finish() {
        HandOn();
        return ok_;
    }

private:
    void HandOn() {
        if (used_ != 0 && ok_) ok_ = writer_(buffer_.get(), used_);
        used_ = 0;
    }
    void MakeRoom(size_t n);

    Writer writer_;
    std::unique_ptr<char[]> buffer_;
    size_t size_;  // a chunk, or the longest room asked
    size_t used_ = 0;
    bool ok_ = true;
};
