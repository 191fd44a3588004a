#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fstream>

#include "QtTestSupport.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Printing.h"
#include "platform/qt/QtDriver.h"
#include "platform/qt/QtSystemDialogs.h"

namespace platform::qt {
namespace {

using test::Program;

ScriptedAnswer Answer(std::string match, std::string press,
                      std::vector<std::pair<std::string, std::string>> values = {}) {
    return ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

std::vector<std::string> Numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

// Page objects of a PDF file ("/Type /Page", not "/Pages").
int PdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    QString text = QString::fromLatin1(f.readAll());
    return static_cast<int>(text.count(QRegularExpression("/Type\\s*/Page(?!s)")));
}

TEST(QtPrint, PrintingToPdfGivesTheListingsPagesAndTheChosenRange) {
    QTemporaryDir dir;
    Program p(Numbered(300));
    QString all = dir.filePath("all.pdf");
    p.app.qt->Answers().Add(Answer("Print", "OK", {{"File name", all.toStdString()}}));
    ASSERT_TRUE(PrintView(*p.view, false));
    int pages = (300 + p.view->linesPerPage - 1) / p.view->linesPerPage;
    EXPECT_GE(pages, 2);
    EXPECT_GT(p.view->linesPerPage, 60);  // the 50-unit print font is small at the printer's 600 dpi
    EXPECT_EQ(PdfPages(all), pages);

    QString some = dir.filePath("some.pdf");
    p.app.qt->Answers().Add(Answer("Print", "OK", {{"File name", some.toStdString()}, {"From", "2"}, {"To", "2"}}));
    ASSERT_TRUE(PrintView(*p.view, false));
    EXPECT_EQ(PdfPages(some), 1);

    p.app.qt->Answers().Add(Answer("Print", "Cancel"));
    EXPECT_FALSE(PrintView(*p.view, false));
}

TEST(QtPrint, PreviewShowsTheRecordedPages) {
    QTemporaryDir dir;
    Program p(Numbered(150));
    p.app.qt->Answers().SetShotFolder(dir.path().toStdString());
    p.app.qt->Answers().Add(Answer("Print Preview", "Close"));
    EXPECT_TRUE(PrintView(*p.view, true));
    EXPECT_TRUE(QFile::exists(dir.filePath("01-print-preview.png")));
    EXPECT_EQ(p.app.qt->Answers().Left(), 0u);
}

TEST(QtFileDialog, TheChosenNameBecomesAFullPathWithItsFilter) {
    QTemporaryDir dir;
    std::ofstream(dir.filePath("a.img").toStdString()) << "x";
    Program p;
    FileDialogRequest request;
    request.title = "Select Image File";
    request.initialDir = dir.path().toStdString();
    request.filters = {{"Image File [*.img; *.awp]", "*.img;*.awp"}, {"All Files [*.*]", "*.*"}};
    p.app.qt->Answers().Add(Answer("Select Image File", "Open", {{"File name", "a.img"}, {"Files of type", "All Files [*.*]"}}));
    ASSERT_TRUE(RunFileDialog(request));
    EXPECT_EQ(request.fileName, dir.filePath("a.img").toStdString());
    EXPECT_EQ(request.filterIndex, 2);

    // Saving over a file asks first; No shows the dialog again.
    FileDialogRequest save;
    save.save = true;
    save.initialDir = dir.path().toStdString();
    p.app.qt->Answers().Add(Answer("Save As", "Save", {{"File name", "a.img"}}));
    p.app.qt->Answers().Add(Answer("already exists", "No"));
    p.app.qt->Answers().Add(Answer("Save As", "Cancel"));
    EXPECT_FALSE(RunFileDialog(save));
    EXPECT_EQ(p.app.qt->Answers().Left(), 0u);

    EXPECT_EQ(QtNameFilter({"Image File [*.img; 0.dat]", "*.img;0.dat"}), "Image File [*.img; 0.dat] (*.img *.IMG 0.dat 0.DAT)");
    EXPECT_EQ(QtNameFilter({"All Files [*.*]", "*.*"}), "All Files [*.*] (*)");
}

TEST(QtFontDialog, AnswersSetTheHeightInTheProgramsUnits) {
    Program p;
    FontDialogRequest request;
    request.font = Font{"Courier New", 50, 0, kWeightNormal, false, false, Pitch::Fixed, FontFamily::Modern};
    request.fixedPitchOnly = true;
    request.screenFonts = false;
    p.app.qt->Answers().Add(Answer("Font", "OK", {{"Size", "120"}, {"Bold", "yes"}}));
    ASSERT_TRUE(RunFontDialog(request));
    EXPECT_EQ(request.font.height, 120);
    EXPECT_EQ(request.font.weight, kWeightBold);
    EXPECT_EQ(request.font.face, "Courier New");
    EXPECT_EQ(request.font.pitch, Pitch::Fixed);

    p.app.qt->Answers().Add(Answer("Font", "Cancel", {{"Size", "10"}}));
    EXPECT_FALSE(RunFontDialog(request));
    EXPECT_EQ(request.font.height, 120);
}

TEST(QtDriver, StatementsAreCheckedWhenRead) {
    Program p;
    QtDriver driver(*p.app.qt);
    std::string error;
    EXPECT_TRUE(driver.Parse("# comment\nshot listing\ncommand File/Print Font...\nclick \"two words\" shift\nclose\n",
                             "drive.txt", error));
    EXPECT_TRUE(driver.HasWork());
    QtDriver bad(*p.app.qt);
    EXPECT_FALSE(bad.Parse("shot a\npaint b\n", "drive.txt", error));
    EXPECT_EQ(error, "drive.txt:2: unknown statement 'paint'");
    EXPECT_FALSE(bad.Parse("key\n", "drive.txt", error));
    EXPECT_EQ(error, "drive.txt:1: 'key' needs an argument");
}

}  // namespace
}  // namespace platform::qt
