// The checks against the images that the three generators make of the example, and against
// the independent image checker's packet count.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "transfer/common/ImageChecks.h"
#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    return out;
}

class GeneratorImages : public TempFolder {};

TEST_F(GeneratorImages, TypesSumchecksAndPacketsOfTheExampleImages) {
    const std::string bin = SUITE_BIN_DIR;
    struct Family {
        const char* program;
        int type;
        int unit;
    };
    const Family families[] = {{"brondel", 6, 595}, {"quenmar", 3, 71}, {"pelmora", 4, 48}};
    if (!std::filesystem::exists(bin + "/brondel")) GTEST_SKIP() << "the generators are not built";
    std::filesystem::copy(std::string(SUITE_SOURCE_DIR) + "/examples", Path("examples"));
    std::filesystem::create_directory(Path("run"));
    for (const Family& f : families) {
        SCOPED_TRACE(f.program);
        const std::string command = "cd '" + Path("run") + "' && XDG_CONFIG_HOME='" + dir_ + "' DISPLAY= '" + bin + "/" +
                                    f.program + "' --headless -F ../examples/create_image.ctl >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string image = Path("run/puget.img");
        Recorder rec;
        ImageChecks checks(rec);
        checks.fileName = image;
        checks.unitProductId = f.unit;
        ASSERT_TRUE(checks.OpenSendFile());
        ASSERT_TRUE(checks.DetectImageType());
        EXPECT_EQ(checks.imageType, f.type);
        checks.CountPackets();
        const std::string blocks = Output("python3 -c \"import sys; sys.path.insert(0, '" + std::string(SUITE_SOURCE_DIR) +
                                       "/tests/e2e'); import imgcheck; print(imgcheck.check_file('" + image +
                                       "').summary['packets']['blocks'])\"");
        EXPECT_EQ(std::to_string(checks.countedPackets) + "\n", blocks);
        rec.log.clear();
        EXPECT_FALSE(checks.CheckPacketCount());
        EXPECT_FALSE(checks.CheckImageCompatibility());
        EXPECT_TRUE(rec.log.empty() && rec.questions.empty());
        checks.sendFile.Close();

        checks.VerifySumchecks();
        EXPECT_EQ(rec.log.back(), "Sumchecks Correct");
        Bytes bytes = Read("run/puget.img");
        bytes[bytes.size() / 3] ^= 1;
        Write("run/puget.img", bytes);
        checks.VerifySumchecks();
        EXPECT_EQ(rec.log.back(), "Sumchecks **FAILED**");
        std::filesystem::remove(image);
    }
}

}  // namespace
