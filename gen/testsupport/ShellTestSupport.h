// Fixtures of the generator shell tests: a generator application with a quiet headless
// backend in a temporary working folder, with its settings under a temporary config folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenSetupDlg.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/GenExit.h"
#include "platform/HeadlessUi.h"
#include "platform/testsupport/ScratchDir.h"

namespace shelltest {

// Every text the lines stream shows, replaced progress texts included, as a terminal gets them
// while it lives.
class ShownLines {
public:
    explicit ShownLines(platform::HeadlessUi& ui) : ui_(ui), file_(std::tmpfile()) {
        ui_.SetStreams(file_, nullptr);
        ui_.SetLinesTerminal(true);
    }
    ~ShownLines() {
        ui_.SetStreams(nullptr, nullptr);
        std::fclose(file_);
    }
    std::vector<std::string> Texts() {
        ui_.FinishOutput();
        std::rewind(file_);
        std::string all;
        for (int ch; (ch = std::fgetc(file_)) != EOF;) all += static_cast<char>(ch);
        std::vector<std::string> texts;
        size_t from = 0;
        for (size_t at; (at = all.find_first_of("\r\n", from)) != std::string::npos; from = at + 1) {
            texts.push_back(all.substr(from, at - from));
            if (all[at] == '\r' && all.compare(at + 1, 3, "\x1b[K") == 0) at += 3;
        }
        return texts;
    }
    bool Has(const std::string& text) {
        const std::vector<std::string> texts = Texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

private:
    platform::HeadlessUi& ui_;
    std::FILE* file_;
};

// Thrown by the test exit handler in place of ending the process.
struct ExitCalled {
    int status;
};

inline GenModel TestModel() {
    GenModel model;
    model.name = "Brondel";
    model.version = "5.4.10";
    model.programFile = "brondel";
    model.modelCode = 6;
    for (int m = kModeCompileSua; m <= kModeCompileApr; ++m) model.compileModes.push_back({m, kModeTexts[m].comboText});
    return model;
}

// The bytes of a file ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) { return suitetest::ReadText(path); }

inline platform::ScriptedAnswer Answer(std::string match, std::vector<std::pair<std::string, std::string>> values,
                                       std::string press) {
    return platform::ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<suitetest::ScratchDir>("shelltest");
        dir_ = scratch_->path;
        oldDir_ = std::filesystem::current_path().string();
        std::filesystem::current_path(dir_);
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        SetGenExitHandler([](int status) { throw ExitCalled{status}; });
        RememberedSetup() = SetupChoice{};
    }

    void TearDown() override {
        app_.reset();
        SetGenExitHandler({});
        std::filesystem::current_path(oldDir_);
        scratch_.reset();
    }

    // A started application (document, frame and view made; the start message is queued).
    CGenApp& MakeApp(GenModel model = TestModel(), std::vector<std::string> args = {}) {
        app_ = std::make_unique<CGenApp>(std::move(model));
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        ui_ = ui.get();
        app_->SetUi(std::move(ui));
        app_->SetArgs(std::move(args));
        EXPECT_TRUE(app_->InitInstance());
        return *app_;
    }

    CGenApp& App() { return *app_; }
    CGenDoc& Doc() { return *app_->Document(); }
    CGenView& View() { return *app_->GenView(); }
    platform::HeadlessUi& Ui() { return *ui_; }

    void AddAnswer(std::string match, std::vector<std::pair<std::string, std::string>> values, std::string press) {
        ui_->AddAnswer(Answer(std::move(match), std::move(values), std::move(press)));
    }

    // Texts of the message boxes shown so far.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& i : ui_->Interactions()) {
            if (i.kind == platform::Interaction::Kind::MessageBox) texts.push_back(i.text);
        }
        return texts;
    }
    // Captions of the dialogs shown so far.
    std::vector<std::string> Dialogs() const {
        std::vector<std::string> captions;
        for (const auto& i : ui_->Interactions()) {
            if (i.kind == platform::Interaction::Kind::Dialog) captions.push_back(i.caption);
        }
        return captions;
    }

    // Starts a listing of the file as GO does and runs it to its end.
    void RunListing(const std::string& file, int kind) {
        CGenView& v = View();
        v.mode = kModeList;
        v.fileName = file;
        v.section = kind - 1;
        App().SetState(kStateStartPending);
        long count = 1;
        int limit = 100000;
        App().OnIdle(count++);
        while (App().State() != kStateIdle && limit-- > 0) App().OnIdle(count++);
    }

    // The lines echoed to the output as they stand (a replaced line with its last text).
    const std::vector<std::string>& Echoed() const { return ui_->EchoedLines(); }
    bool Echoed(const std::string& line) const {
        const auto& lines = Echoed();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The stored listing lines from `from` on.
    std::vector<std::string> LinesFrom(size_t from) const {
        const auto& lines = app_->Document()->Lines();
        return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end());
    }

    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }

    const std::string& Dir() const { return dir_; }

    std::unique_ptr<CGenApp> app_;
    platform::HeadlessUi* ui_ = nullptr;
    std::unique_ptr<suitetest::ScratchDir> scratch_;
    std::string dir_;
    std::string oldDir_;
};

}  // namespace shelltest
