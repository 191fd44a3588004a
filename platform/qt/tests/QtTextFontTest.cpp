#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>

#include "QtTestSupport.h"
#include "platform/Clipboard.h"
#include "platform/qt/QtFonts.h"
#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

TEST(QtText, Windows1252TextsCrossTheWidgetBoundaryBothWays) {
    const std::string degrees = "N51\xB0" "28'W000\xB0" "27' \x80 \x96";  // degree sign, euro, en dash
    QString shown = From1252(degrees);
    EXPECT_EQ(shown, QString::fromUtf8("N51°28'W000°27' € –"));
    EXPECT_EQ(To1252(shown), degrees);
    // Characters the code page lacks, a surrogate pair among them, become one '?' each.
    EXPECT_EQ(To1252(QString::fromUtf8("a\u4e2d\U0001F600b")), "a??b");
}

TEST(QtText, PlainLabelsDropMarkersAndAccelerators) {
    const std::pair<std::string, QString> cases[] = {
        {"&Print...\tCtrl+P", "Print..."}, {"S&TOP/RESET", "STOP/RESET"}, {"Save && Exit", "Save & Exit"},
        {"Trailing&", "Trailing"},          {"", ""},
    };
    for (const auto& [text, label] : cases) EXPECT_EQ(PlainLabel(text), label) << text;
}

TEST(QtFonts, ProgramFacesMapToInstalledMetricCompatibleFaces) {
    Font courier{"Courier New", 16, 0, 500, false, false, Pitch::Fixed};
    QFont q = ToQFont(courier);
    EXPECT_EQ(InstalledFace(courier), "Liberation Mono");
    EXPECT_EQ(QFontInfo(q).family(), "Liberation Mono");
    EXPECT_TRUE(QFontInfo(q).fixedPitch());
    EXPECT_EQ(InstalledFace(Font{"Arial"}), "Liberation Sans");
    EXPECT_EQ(InstalledFace(Font{"", 0, 0, 400, false, false, Pitch::Default, FontFamily::Modern}), "Liberation Mono");

    // A positive height is the cell height, a negative one the character height.
    for (int h : {16, 50, 100}) {
        TextMetrics tm = MeasureFont(Font{"Courier New", h});
        EXPECT_NEAR(tm.height, h, 2) << h;
        EXPECT_TRUE(tm.fixedPitch);
        EXPECT_GT(tm.aveCharWidth, h / 3) << h;
    }
    EXPECT_EQ(ToQFont(Font{"Courier New", -20}).pixelSize(), 20);
    EXPECT_GT(MeasureFont(Font{"Courier New", -20}).height, 20);
    EXPECT_GT(ToQFont(Font{"Courier", 100, 0, kWeightBold}).weight(), QFont::Normal);
}

TEST(QtFonts, DialogPointsAndProgramHeightsConvert) {
    EXPECT_DOUBLE_EQ(HeightToPoints(50, 600), 6.0);
    EXPECT_DOUBLE_EQ(HeightToPoints(-16, 96), 12.0);
    EXPECT_EQ(PointsToHeight(6.0, 600, false), 50);
    EXPECT_EQ(PointsToHeight(12.0, 96, true), -16);
}

TEST(QtClipboard, CopiedTextArrivesAsUnicodeAndReadsBackAs1252) {
    test::QtTestApp app;
    const std::string text = "N51\xB0" "28'\r\nline 2\r\n";
    ASSERT_TRUE(CopyTextToClipboard(text));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("N51°28'\r\nline 2\r\n"));
    Clipboard& clipboard = app.GetUi().GetClipboard();
    EXPECT_EQ(clipboard.GetText().value_or(""), text);

    // Open twice fails as a clipboard held elsewhere does; set without open fails too.
    ASSERT_TRUE(clipboard.Open());
    EXPECT_FALSE(clipboard.Open());
    EXPECT_NE(clipboard.LastError(), 0);
    clipboard.Close();
    EXPECT_FALSE(clipboard.SetText("x"));
    EXPECT_EQ(clipboard.GetText().value_or(""), text);
}

}  // namespace
}  // namespace platform::qt
