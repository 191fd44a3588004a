// Test support: GAR files and images built byte by byte in a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <deque>

#include "platform/testsupport/ScratchDir.h"
#include "transfer/common/GarListing.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/LineChunks.h"

namespace transfertest {

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& b, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) b.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
inline void PutFloat(Bytes& b, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutLe(b, bits, 4);
}
inline void PutText(Bytes& b, const std::string& text, bool zero = true) {
    b.insert(b.end(), text.begin(), text.end());
    if (zero) b.push_back(0);
}
// Semicircles of an angle in degrees.
inline int32_t Semicircles(double degrees) { return static_cast<int32_t>(degrees * 2147483648.0 / 180.0); }

// A GAR file: records of id, size and data.
struct Gar {
    Bytes bytes;
    Gar& Record(int id, const Bytes& data) {
        bytes.push_back(static_cast<uint8_t>(id));
        bytes.push_back(static_cast<uint8_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Gar& Product(int productId) {
        Bytes d;
        PutLe(d, static_cast<uint16_t>(productId), 2);
        PutLe(d, 300, 2);
        return Record(255, d);
    }
    Gar& Count(int n) {
        Bytes d;
        PutLe(d, static_cast<uint16_t>(n), 2);
        return Record(27, d);
    }
    Gar& End() { return Record(12, {7, 0}); }
};

// Keeps what the checks write and asks; questions take the scripted answers (then NO, or
// `yesWhenNone`).
class Recorder : public CheckReporter {
public:
    void Log(const std::string& line) override { log.push_back(line); }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        if (answers.empty()) return yesWhenNone;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void Message(const std::string& text) override { messages.push_back(text); }
    int DebugLevel() const override { return debug; }
    std::vector<std::string> log, questions, messages;
    std::deque<bool> answers;
    bool yesWhenNone = false;
    int debug = 0;
};

// The listing's lines as GetLine gives them, each followed by CR LF.
inline std::string JoinedLines(GarListing& listing) {
    std::string text;
    for (int n = 0; n < listing.GetLineCount(); ++n) text += listing.GetLine(n, true) + "\r\n";
    return text;
}
// The text WriteLines gives.
inline std::string WrittenLines(GarListing& listing) {
    std::string text;
    LineChunks chunks([&text](const char* data, size_t size) {
        text.append(data, size);
        return true;
    });
    listing.WriteLines(chunks);
    EXPECT_TRUE(chunks.Finish());
    return text;
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/transfertest.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    Bytes Read(const std::string& name) const { return suitetest::ReadAll(Path(name)); }
    std::string dir_;
};

}  // namespace transfertest
