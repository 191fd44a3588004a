// Reads text lines from a file descriptor or a byte buffer. A line ends at LF or CR LF (a CR at
// the very end of the input counts as a line end too); the last line may lack its end. Bytes are
// kept as they are, NUL included. A line longer than the caller's limit comes in pieces of at most
// `limit` bytes: the caller either takes the next piece (split) or skips the rest (refuse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class LineReader {
public:
    enum class Result {
        Line,      // a whole line, or the last piece of a long one
        LongLine,  // the first `limit` bytes of a line that goes on
        End,       // no more lines
        Error,     // the descriptor could not be read (ErrorNumber() tells why)
    };

    // Reads from the descriptor's current offset; the descriptor stays the caller's.
    static LineReader FromDescriptor(int fd);

    // Reads from the bytes, which must outlive the reader.
    static LineReader FromBuffer(const void* data, size_t size);

    // The next line or piece, without its line end, at most `limit` bytes (a limit of 0 counts as 1).
    Result Next(std::string& line, size_t limit);

    // Drops what is left of a line after LongLine, up to and including its line end.
    void SkipRestOfLine();

    // The 1-based number of the line that the last piece belongs to.
    long LineNumber() const { return lineNumber_; }

    // True when the last piece holds a NUL byte.
    bool HadNul() const { return hadNul_; }

    int ErrorNumber() const { return error_; }

private:
    LineReader(int fd, const uint8_t* data, size_t size);

    // Makes at least `count` bytes available from pos_ unless the input ends first.
    // Returns false on a read error.
    bool Fill(size_t count);
    size_t Available() const { return end_ - pos_; }
    const uint8_t* Data() const { return fd_ >= 0 ? buffer_.data() : view_; }

    // Length of the line end at pos_ (1 for LF, 2 for CR LF, 1 for a final CR), 0 for none.
    // Needs Fill(2) first.
    size_t LineEndAt() const;

    int fd_;
    std::vector<uint8_t> buffer_;  // for a descriptor
    const uint8_t* view_;          // for a buffer
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool inLine_ = false;  // the next piece continues a long line
    long lineNumber_ = 0;
    bool hadNul_ = false;
    int error_ = 0;
};
