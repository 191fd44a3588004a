// Writes text lines that end with CR LF, to a file descriptor or a string.
#pragma once

#include <string>
#include <string_view>

class LineWriter {
public:
    // Writes to the descriptor from its current offset; the descriptor stays the caller's.
    explicit LineWriter(int fd);
    // Appends to the string, which must outlive the writer.
    explicit LineWriter(std::string* out);
    ~LineWriter();

    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Writes one line and CR LF. A line end that the text already carries (LF or CR LF) is not
    // doubled. Returns false once a write has failed.
    bool WriteLine(std::string_view text);

    // Formats one line in the C locale and writes it as WriteLine does.
    bool WriteLineF(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Writes what is buffered; false when a write failed (ErrorNumber() tells why).
    bool Flush();

    int ErrorNumber() const { return error_; }

private:
    int fd_ = -1;
    std::string* out_ = nullptr;
    std::string buffer_;
    int error_ = 0;
};
