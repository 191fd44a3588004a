#include "transfer/common/LineChunks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The chunks, put together, are the lines each followed by CR LF, whether added whole or
// written into room; a chunk holds at most a chunk's size unless one line is longer.
TEST(LineChunks, ChunksJoinToTheLines) {
    std::vector<std::string> chunks;
    LineChunks text([&chunks](const char* data, size_t size) {
        chunks.emplace_back(data, size);
        return true;
    });
    std::string expected;
    constexpr size_t kLong = LineChunks::kChunk + 100;
    for (int i = 0; i < 5000; ++i) {
        std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
        if (i == 3000) line.assign(kLong, 'x');
        if (i % 3 == 0) {
            char* const room = text.Room(line.size() + 2);
            line.copy(room, line.size());
            std::memcpy(room + line.size(), "\r\n", 2);
            text.Commit(room + line.size() + 2);
        } else {
            text.Add(line);
        }
        expected.append(line).append("\r\n");
    }
    EXPECT_TRUE(text.Finish());
    std::string longLine(kLong, 'x');
    longLine.append("\r\n");
    std::string joined;
    for (const std::string& chunk : chunks) {
        EXPECT_TRUE(chunk.size() <= LineChunks::kChunk || chunk == longLine);
        joined += chunk;
    }
    EXPECT_GT(chunks.size(), 5u);
    EXPECT_EQ(joined, expected);
}

TEST(LineChunks, AFailedWriteDropsTheRest) {
    int writes = 0;
    LineChunks text([&writes](const char*, size_t) {
        ++writes;
        return false;
    });
    for (int i = 0; i < 100000; ++i) text.Add("a line of text");
    EXPECT_FALSE(text.Ok());
    EXPECT_FALSE(text.Finish());
    EXPECT_EQ(writes, 1);
}

}  // namespace
