// The bytes of the file being read, with the readers' line reading: lines go into a 256-byte
// buffer, so a longer line is cut at 255 bytes and the rest of it is skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class FlarmInput {
public:
    static constexpr size_t kLineBuffer = 256;

    FlarmInput(std::string_view data, std::string path) : data_(data), path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    std::string_view Data() const { return data_; }
    bool AtEnd() const { return pos_ >= data_.size(); }
    void Rewind() { pos_ = 0; }

    // Reads up to the delimiter (taken off) or the end; the line is NUL-terminated in Line().
    // Returns its length (0 for an empty line and at the end).
    size_t ReadUntil(char delimiter);
    const char* Line() const { return line_; }
    std::string_view LineView() const { return {line_, lineLength_}; }

    // Up to `count` bytes; returns how many there were.
    size_t Read(void* out, size_t count);

private:
    std::string_view data_;
    std::string path_;
    size_t pos_ = 0;
    char line_[kLineBuffer] = {};
    size_t lineLength_ = 0;
};
