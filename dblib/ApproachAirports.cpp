#include "dblib/ApproachAirports.h"

#include "platform/FileSystem.h"

#include <fcntl.h>

#include <algorithm>
#include <new>

ApproachAirports::ApproachAirports() { Clear(); }

void ApproachAirports::Clear() { m_entries.assign(1, Entry{}); }

ApproachAirports::LoadResult ApproachAirports::Load(const std::string& path, unsigned* bytes) {
    Clear();
    int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return LoadResult::Missing;
    std::string text;
    char buf[4096];
    long n;
    int64_t at = 0;
    while ((n = platform::ReadAt(fd, buf, sizeof buf, at)) > 0) {
        text.append(buf, size_t(n));
        at += n;
    }
    platform::CloseFile(fd);
    // CR LF and LF end lines alike.
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) text[kept++] = text[i];
    text.resize(kept);

    size_t lines = 0;
    for (size_t pos = 0; pos < text.size(); ++lines) {
        size_t end = text.find('\n', pos);
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    try {
        m_entries.assign(lines + 1, Entry{});
    } catch (const std::bad_alloc&) {
        Clear();
        if (bytes) *bytes = unsigned((lines + 1) * kEntrySize);
        return LoadResult::NoMemory;
    }
    size_t pos = 0;
    for (size_t i = 0; i < lines; ++i) {
        size_t end = text.find('\n', pos);
        size_t next = end == std::string::npos ? text.size() : end + 1;
        std::copy_n(text.begin() + long(pos), std::min<size_t>(next - pos, 4), m_entries[i].begin());
        pos = next;
    }
    return LoadResult::Loaded;
}
