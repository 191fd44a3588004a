#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "QtTestSupport.h"
#include "platform/Dialog.h"
#include "platform/Exchange.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtDialogWindow.h"

namespace platform::qt {
namespace {

using test::QtTestApp;

ScriptedAnswer Answer(std::string match, std::string press,
                      std::vector<std::pair<std::string, std::string>> values = {}) {
    return ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

// A dialog with every kind of control; its handlers tie the controls together as the
// programs' dialogs do.
class AllKinds : public Dialog {
public:
    AllKinds()
        : Dialog({130, "All Kinds",
                  {StaticControl("Choose what to do; the name is limited to eight characters."),
                   DropListControl(131, "Mode", {"Create", "List"}), EditControl(133, "Filename", 8),
                   ButtonControl(134, "Browse->"), NumberControl(136, "Count"),
                   DropDownControl(137, "Face", {"Courier New", "Arial"}), ListBoxControl(138, "Items", {"a", "b", "c"}),
                   CheckControl(1003, "Listing"), RadioControl(1010, "Small", 1), RadioControl(1011, "Large", 1),
                   ButtonControl(139, "Title"), ButtonControl(143, "Filters"), ButtonControl(kIdOk, "OK", true),
                   ButtonControl(kIdCancel, "Cancel")}}) {}

    int mode = 0;
    std::string name;
    int count = 0;
    std::string face;
    int item = -1;
    bool listing = false;
    int size = -1;
    int browsed = 0;
    std::vector<std::string> seenInOk;  // the widgets' texts when OK ran

    bool OnInit() override {
        Dialog::OnInit();
        EnableItem(143, false);
        return true;
    }
    void DoDataExchange(Exchange& dx) override {
        dx.Index(131, mode);
        dx.Text(133, name, 8);
        dx.Int(136, count);
        dx.Choice(137, face);
        dx.Index(138, item);
        dx.Check(1003, listing);
        dx.Radio(1010, size);
    }
    void OnSelChange(int id) override {
        if (id == 131) EnableItem(143, GetCurSel(131) == 1);  // Filters only for List
    }
    void OnButton(int id) override {
        if (id == 134) {
            ++browsed;
            SetItemText(133, "picked");
        }
    }
    void OnOk() override {
        auto* window = dynamic_cast<QtDialogWindow*>(QApplication::activeModalWidget());
        if (window) {
            seenInOk.push_back(static_cast<QLineEdit*>(window->Widget(133))->text().toStdString());
            seenInOk.push_back(static_cast<QComboBox*>(window->Widget(131))->currentText().toStdString());
            seenInOk.push_back(window->Widget(143)->isEnabled() ? "filters on" : "filters off");
            seenInOk.push_back(static_cast<QRadioButton*>(window->Widget(1011))->isChecked() ? "large" : "small");
        }
        Dialog::OnOk();
    }
};

TEST(QtDialog, AnswersFillTheRealWidgetsAndTheExchangeTakesTheirValues) {
    QtTestApp app;
    app.qt->Answers().Add(Answer("All Kinds", "Browse->", {{"Mode", "List"}}));
    app.qt->Answers().Add(Answer("All Kinds", "OK",
                                 {{"Count", "42"}, {"Face", "Lucida"}, {"Items", "b"}, {"Listing", "1"},
                                  {"Large", "1"}, {"#133", "far too long a name"}}));
    AllKinds dialog;
    EXPECT_EQ(dialog.RunModal(), kIdOk);
    EXPECT_EQ(dialog.browsed, 1);  // the first answer's button kept the dialog open
    EXPECT_EQ(dialog.mode, 1);
    EXPECT_EQ(dialog.name, "far too ");  // cut at the edit's limit
    EXPECT_EQ(dialog.count, 42);
    EXPECT_EQ(dialog.face, "Lucida");
    EXPECT_EQ(dialog.item, 1);
    EXPECT_TRUE(dialog.listing);
    EXPECT_EQ(dialog.size, 1);
    EXPECT_EQ(dialog.seenInOk, (std::vector<std::string>{"far too ", "List", "filters on", "large"}));
    EXPECT_EQ(app.qt->Answers().Left(), 0u);
}

TEST(QtDialog, TypingAndClickingGoThroughTheDialogsHandlers) {
    QtTestApp app;
    AllKinds dialog;
    std::vector<std::string> steps;
    QTimer::singleShot(0, [&] {
        auto* window = dynamic_cast<QtDialogWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        auto* edit = static_cast<QLineEdit*>(window->Widget(133));
        QTest::keyClicks(edit, QString::fromUtf8("N51°x"));
        steps.push_back(dialog.GetItemText(133));
        QTest::keyClicks(window->Widget(136), "12a3");  // the number edit (showing 0) takes digits only
        steps.push_back(dialog.GetItemText(136));
        QTest::mouseClick(window->Widget(134), Qt::LeftButton);  // Browse-> changes the edit
        steps.push_back(edit->text().toStdString());
        QWidget* check = window->Widget(1003);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
        steps.push_back(dialog.IsChecked(1003) ? "checked" : "unchecked");
        QTest::keyClick(window, Qt::Key_Escape);  // Esc is the dialog's Cancel
    });
    EXPECT_EQ(dialog.RunModal(), kIdCancel);
    EXPECT_EQ(steps, (std::vector<std::string>{"N51\xB0x", "0123", "picked", "checked"}));
}

TEST(QtDialog, LayoutKeepsEveryControlApartWithTheClosingButtonsBottomRight) {
    QtTestApp app;
    AllKinds dialog;
    std::vector<QRect> rects;
    QRect ok, cancel, browse, edit;
    QTimer::singleShot(0, [&] {
        auto* window = dynamic_cast<QtDialogWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->isVisible() && w->parentWidget() == window) rects.push_back(w->geometry());
        }
        ok = window->Widget(kIdOk)->geometry();
        cancel = window->Widget(kIdCancel)->geometry();
        browse = window->Widget(134)->geometry();
        edit = window->Widget(133)->geometry();
        window->Press(kIdCancel);
    });
    dialog.RunModal();
    ASSERT_GT(rects.size(), 14u);  // controls and the labels beside the fields
    for (std::size_t i = 0; i < rects.size(); ++i) {
        for (std::size_t k = i + 1; k < rects.size(); ++k) {
            EXPECT_FALSE(rects[i].intersects(rects[k])) << i << " overlaps " << k;
        }
    }
    for (const QRect& r : rects) {
        if (r != ok && r != cancel) {
            EXPECT_LE(r.bottom(), ok.top());
        }
    }
    EXPECT_LT(ok.left(), cancel.left());
    EXPECT_EQ(browse.center().y(), edit.center().y());  // the side button sits beside its field
    EXPECT_GT(browse.left(), edit.right());
}

TEST(QtMessageBox, AnswersPressTheirButtonElseTheDefaultAndReport) {
    QtTestApp app;
    app.qt->Answers().Add(Answer("overwrite", "No"));
    app.qt->Answers().Add(Answer("testprog", "Retry"));   // by caption
    app.qt->Answers().Add(Answer("part number", "Ignore"));  // not offered: the default
    EXPECT_EQ(ShowMessage("Are you SURE you want to overwrite x.img", {Buttons::YesNo, Icon::Question, 0}), kIdNo);
    EXPECT_EQ(ShowMessage("Device not ready", {Buttons::RetryCancel, Icon::Error, 1}), kIdRetry);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessage("unrecognised part number", {Buttons::YesNo, Icon::Warning, 1}), kIdNo);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no button 'Ignore'"), std::string::npos);

    // Unanswered: the user's Esc is Cancel where there is one.
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_EQ(ShowMessage("Stop now?", {Buttons::OkCancel, Icon::Question, 0}), kIdCancel);
}

}  // namespace
}  // namespace platform::qt
