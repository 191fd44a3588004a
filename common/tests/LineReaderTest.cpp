#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/LineReader.h"
#include "common/LineWriter.h"

namespace {

using Result = LineReader::Result;

struct Piece {
    Result result;
    std::string text;
    long line;
    bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Piece& p) {
    return out << "{" << static_cast<int>(p.result) << ", \"" << p.text << "\", " << p.line << "}";
}

std::vector<Piece> ReadAll(LineReader& reader, size_t limit) {
    std::vector<Piece> pieces;
    std::string line;
    for (int guard = 0; guard < 1000; ++guard) {
        const Result result = reader.Next(line, limit);
        if (result == Result::End || result == Result::Error) break;
        pieces.push_back({result, line, reader.LineNumber()});
    }
    return pieces;
}

std::vector<Piece> ReadAll(const std::string& bytes, size_t limit) {
    LineReader reader = LineReader::FromBuffer(bytes.data(), bytes.size());
    return ReadAll(reader, limit);
}

struct ReaderCase {
    const char* name;
    std::string bytes;
    size_t limit;
    std::vector<Piece> expected;
};

const Result L = Result::Line;
const Result Long = Result::LongLine;

TEST(LineReader, LineEndsAndPieces) {
    const ReaderCase cases[] = {
        {"empty input", "", 10, {}},
        {"CR LF and LF", "a\r\nb\nc\r\n", 10, {{L, "a", 1}, {L, "b", 2}, {L, "c", 3}}},
        {"no final line end", "a\nlast", 10, {{L, "a", 1}, {L, "last", 2}}},
        {"empty lines", "\n\r\n\n", 10, {{L, "", 1}, {L, "", 2}, {L, "", 3}}},
        {"final CR", "x\r", 10, {{L, "x", 1}}},
        {"lone CR inside a line", "x\ry\n", 10, {{L, "x\ry", 1}}},
        {"CR CR LF", "x\r\r\n", 10, {{L, "x\r", 1}}},
        {"NUL bytes", std::string("a\0b\n\0\n", 6), 10, {{L, std::string("a\0b", 3), 1}, {L, std::string(1, '\0'), 2}}},
        {"exactly the limit", "abcd\r\nefgh", 4, {{L, "abcd", 1}, {L, "efgh", 2}}},
        {"long line in pieces", "abcdefghij\nxy\n", 4,
         {{Long, "abcd", 1}, {Long, "efgh", 1}, {L, "ij", 1}, {L, "xy", 2}}},
        {"long line without end", "abcdefgh", 4, {{Long, "abcd", 1}, {L, "efgh", 1}}},
        {"data CR after the limit", "abcd\rX", 4, {{Long, "abcd", 1}, {L, "\rX", 1}}},
        {"limit 0 counts as 1", "ab\n", 0, {{Long, "a", 1}, {L, "b", 1}}},
    };
    for (const ReaderCase& c : cases) {
        EXPECT_EQ(ReadAll(c.bytes, c.limit), c.expected) << c.name;
    }
}

TEST(LineReader, NulIsReported) {
    const std::string bytes("ok\nbad\0line\nok\n", 15);
    LineReader reader = LineReader::FromBuffer(bytes.data(), bytes.size());
    std::string line;
    ASSERT_EQ(reader.Next(line, 80), Result::Line);
    EXPECT_FALSE(reader.HadNul());
    ASSERT_EQ(reader.Next(line, 80), Result::Line);
    EXPECT_TRUE(reader.HadNul());
    EXPECT_EQ(line.size(), 8u);
    ASSERT_EQ(reader.Next(line, 80), Result::Line);
    EXPECT_FALSE(reader.HadNul());
}

TEST(LineReader, RefusingALongLineSkipsItsRest) {
    const std::string bytes = "first\n" + std::string(100, 'x') + "\r\nnext\nlast";
    LineReader reader = LineReader::FromBuffer(bytes.data(), bytes.size());
    std::string line;
    ASSERT_EQ(reader.Next(line, 10), Result::Line);
    ASSERT_EQ(reader.Next(line, 10), Result::LongLine);
    EXPECT_EQ(reader.LineNumber(), 2);
    reader.SkipRestOfLine();
    ASSERT_EQ(reader.Next(line, 10), Result::Line);
    EXPECT_EQ(line, "next");
    EXPECT_EQ(reader.LineNumber(), 3);
    reader.SkipRestOfLine();  // nothing pending: changes nothing
    ASSERT_EQ(reader.Next(line, 10), Result::Line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(reader.Next(line, 10), Result::End);
    EXPECT_EQ(reader.Next(line, 10), Result::End);
}

class TempFile {
public:
    TempFile() {
        std::string name = (std::filesystem::temp_directory_path() / "common_lines_XXXXXX").string();
        fd_ = mkstemp(name.data());
        path_ = name;
    }
    ~TempFile() {
        close(fd_);
        unlink(path_.c_str());
    }
    int Reopen() {
        close(fd_);
        fd_ = open(path_.c_str(), O_RDONLY);
        return fd_;
    }
    int fd() const { return fd_; }

private:
    int fd_;
    std::string path_;
};

TEST(LineReader, DescriptorWithALineEndAcrossTheReadChunks) {
    TempFile file;
    std::string bytes(65535, 'a');  // the CR is the last byte of the first 64 KB read, its LF the first of the next
    bytes += "\r\nb\n";
    bytes += std::string(70000, 'c');
    ASSERT_EQ(write(file.fd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    LineReader reader = LineReader::FromDescriptor(file.Reopen());
    std::string line;
    ASSERT_EQ(reader.Next(line, 100000), Result::Line);
    EXPECT_EQ(line, std::string(65535, 'a'));
    ASSERT_EQ(reader.Next(line, 100000), Result::Line);
    EXPECT_EQ(line, "b");
    ASSERT_EQ(reader.Next(line, 100000), Result::Line);
    EXPECT_EQ(line.size(), 70000u);
    EXPECT_EQ(reader.Next(line, 100000), Result::End);
}

TEST(LineReader, UnreadableDescriptorIsAnError) {
    std::string line;
    LineReader reader = LineReader::FromDescriptor(-1);
    EXPECT_EQ(reader.Next(line, 10), Result::Error);
    EXPECT_EQ(reader.ErrorNumber(), EBADF);
    const int folder = open("/", O_RDONLY | O_DIRECTORY);
    LineReader unreadable = LineReader::FromDescriptor(folder);
    EXPECT_EQ(unreadable.Next(line, 10), Result::Error);
    EXPECT_EQ(unreadable.ErrorNumber(), EISDIR);
    close(folder);
}

TEST(LineWriter, EndsEveryLineWithCrLf) {
    std::string out;
    {
        LineWriter writer(&out);
        EXPECT_TRUE(writer.WriteLine("abc"));
        EXPECT_TRUE(writer.WriteLine("d\n"));
        EXPECT_TRUE(writer.WriteLine("e\r\n"));
        EXPECT_TRUE(writer.WriteLine(""));
        EXPECT_TRUE(writer.WriteLineF("%5.2f|%d|%s", 1.5, 3, "x"));
    }
    EXPECT_EQ(out, "abc\r\nd\r\ne\r\n\r\n 1.50|3|x\r\n");
}

TEST(LineWriter, DescriptorRoundTripThroughTheReader) {
    TempFile file;
    {
        LineWriter writer(file.fd());
        for (int i = 0; i < 5000; ++i) ASSERT_TRUE(writer.WriteLineF("ADD|APT|E%03d|%d", i % 1000, i));
        ASSERT_TRUE(writer.Flush());
    }
    LineReader reader = LineReader::FromDescriptor(file.Reopen());
    std::string line;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(reader.Next(line, 80), Result::Line);
        char expected[40];
        std::snprintf(expected, sizeof expected, "ADD|APT|E%03d|%d", i % 1000, i);
        ASSERT_EQ(line, expected);
    }
    EXPECT_EQ(reader.Next(line, 80), Result::End);
}

TEST(LineWriter, FailedWriteIsReported) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    // Writing to a pipe without reader fails with EPIPE once SIGPIPE is ignored.
    signal(SIGPIPE, SIG_IGN);
    LineWriter writer(fds[1]);
    writer.WriteLine("lost");
    EXPECT_FALSE(writer.Flush());
    EXPECT_EQ(writer.ErrorNumber(), EPIPE);
    EXPECT_FALSE(writer.WriteLine("after"));
    close(fds[1]);
    LineWriter bad(-1);
    bad.WriteLine("x");
    EXPECT_FALSE(bad.Flush());
}

}  // namespace
