// The bytes of the file being read, with the readers' line reading: a line is at most 255 bytes
// (the readers' 256-byte line buffer with its terminator); the rest of a longer one is skipped.
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

    // Reads up to the delimiter (taken off) or the end; the line is then LineView(), valid as
    // long as the data. Returns its length (0 for an empty line and at the end).
    size_t ReadUntil(char delimiter);
    std::string_view LineView() const { return line_; }

    // The next `count` bytes, fewer at the end of the data; valid as long as the data.
    std::string_view Take(size_t count);

private:
    std::string_view data_;
    std::string path_;
    size_t pos_ = 0;
    std::string_view line_;
};
