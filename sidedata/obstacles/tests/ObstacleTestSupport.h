// Shared fixtures of the obstacle tests: a quiet headless application, a Trevossa document
// and the writer's fixtures.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/HeadlessUi.h"
#include "sidedata/obstacles/CTrevossaDoc.h"
#include "sidedata/tests/UnitFileWriter.h"

namespace obstacles::test {

class QuietApp : public platform::App {
public:
    QuietApp() {
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        headless = ui.get();
        SetUi(std::move(ui));
        SetAppName("trevossa");
    }
    platform::HeadlessUi* headless;
};

inline unitfile::Bytes Fixture(const std::string& name) {
    for (auto& [n, bytes] : unitfile::Fixtures()) {
        if (n == name) return bytes;
    }
    ADD_FAILURE() << "no fixture " << name;
    return {};
}

class ObstacleTest : public ::testing::Test {
protected:
    QuietApp app;
    TrevossaOptions options;
    std::unique_ptr<CTrevossaDoc> doc = std::make_unique<CTrevossaDoc>(options);

    // The message box texts shown so far.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& i : app.headless->Interactions()) {
            if (i.kind == platform::Interaction::Kind::MessageBox) out.push_back(i.text);
        }
        return out;
    }
    // Lists the bytes on screen and gives the listing lines.
    std::vector<std::string> Screen(const unitfile::Bytes& bytes) {
        doc->CloseDataFile();
        doc->ListFileBytes(bytes);
        return doc->Lines();
    }
    // Lists the bytes as the unattended run writes them and gives the output lines.
    std::vector<std::string> Output(const unitfile::Bytes& bytes) {
        doc->CloseDataFile();
        if (!doc->LoadFileBytes(bytes)) return {};
        return SplitCrLf(doc->ConvertToText());
    }
    static std::vector<std::string> SplitCrLf(const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        EXPECT_EQ(start, text.size()) << "the text does not end with CR LF";
        return lines;
    }
    static std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
        std::vector<std::string> out;
        for (const auto& l : lines) {
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        }
        return out;
    }
};

}  // namespace obstacles::test
