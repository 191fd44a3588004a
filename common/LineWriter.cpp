#include "common/LineWriter.h"

#include <cerrno>
#include <cstdarg>
#include <unistd.h>

#include "common/CLocale.h"

namespace {
constexpr size_t kFlushSize = 65536;
}

LineWriter::LineWriter(int fd) : fd_(fd) {}

LineWriter::LineWriter(std::string* out) : out_(out) {}

LineWriter::~LineWriter() { Flush(); }

bool LineWriter::WriteLine(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (out_) {
        out_->append(text);
        out_->append("\r\n");
        return true;
    }
    if (error_) return false;
    buffer_.append(text);
    buffer_.append("\r\n");
    return buffer_.size() < kFlushSize || Flush();
}

bool LineWriter::WriteLineF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = VStringFormatC(format, args);
    va_end(args);
    return WriteLine(text);
}

bool LineWriter::Flush() {
    if (out_) return true;
    if (error_) return false;
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    buffer_.clear();
    return true;
}
