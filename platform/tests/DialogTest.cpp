#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Dialog.h"
#include "platform/Exchange.h"

namespace platform {
namespace {

using test::TestApp;

enum { kMode = 131, kFile = 133, kBrowse = 134, kListing = 1003, kBase = 1000, kRead = 200, kWrite = 201, kHost = 202 };

// A dialog with one control of each kind and members exchanged with them.
class SampleDlg : public Dialog {
public:
    SampleDlg()
        : Dialog(DialogDecl{130, "Select Required Operation",
                            {
                                StaticControl("Choose what to do"),
                                DropListControl(kMode, "Mode", {"Create Image", "Create ISAM", "List"}),
                                EditControl(kFile, "Filename", 12),
                                ButtonControl(kBrowse, "Browse->"),
                                CheckControl(kListing, "Listing"),
                                NumberControl(kBase, "Maximum Base"),
                                RadioControl(kRead, "Read", 1),
                                RadioControl(kWrite, "Write", 1),
                                RadioControl(kHost, "Host", 1),
                                ButtonControl(kIdOk, "OK", true),
                                ButtonControl(kIdCancel, "Cancel"),
                            }}) {}

    void DoDataExchange(Exchange& dx) override {
        dx.Index(kMode, mode);
        dx.Text(kFile, file, 12);
        dx.Check(kListing, listing);
        dx.Int(kBase, base);
        dx.Radio(kRead, direction);
        if (dx.Saving() && base % 100 != 0) dx.Fail(kBase, "Maximum Base must be a multiple of 100");
    }
    void OnButton(int id) override { buttons.push_back(id); }
    void OnSelChange(int id) override { changes.push_back(id); }

    int mode = 2;
    std::string file = "old.img";
    int listing = 1;
    int base = 0;
    int direction = 1;
    std::vector<int> buttons, changes;
};

ScriptedAnswer Answer(std::string match, std::vector<std::pair<std::string, std::string>> values, std::string press) {
    return ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

TEST(Dialog, MembersReachTheControlsAndComeBackOnOk) {
    TestApp app;
    bool checkedInit = false;
    // Look at the controls as loaded, then change them as a user does.
    struct Probe : SampleDlg {
        bool* flag;
        bool OnInit() override {
            SampleDlg::OnInit();
            EXPECT_EQ(GetCurSel(kMode), 2);
            EXPECT_EQ(GetItemText(kFile), "old.img");
            EXPECT_TRUE(IsChecked(kListing));
            EXPECT_EQ(GetItemText(kBase), "0");
            EXPECT_FALSE(IsChecked(kRead));
            EXPECT_TRUE(IsChecked(kWrite));
            *flag = true;
            return true;
        }
    } probe;
    probe.flag = &checkedInit;
    app.headless->AddAnswer(Answer("Select Required", {{"Mode", "create image"}, {"#133", "new-file-name-too-long.img"}, {"Listing", "0"}, {"Maximum Base", "500"}, {"Host", "1"}}, "OK"));
    EXPECT_EQ(probe.RunModal(), kIdOk);
    EXPECT_TRUE(checkedInit);
    EXPECT_EQ(probe.mode, 0);
    EXPECT_EQ(probe.file, "new-file-nam");  // cut at the edit's limit of 12
    EXPECT_EQ(probe.listing, 0);
    EXPECT_EQ(probe.base, 500);
    EXPECT_EQ(probe.direction, 2);
    EXPECT_EQ(probe.changes, (std::vector<int>{kMode, kListing, kHost}));
}

TEST(Dialog, FailedValidationShowsItsMessageAndKeepsTheDialogOpen) {
    TestApp app;
    SampleDlg dlg;
    app.headless->AddAnswer(Answer("Select Required", {{"Maximum Base", "150"}, {"Filename", "a.img"}}, "OK"));
    app.headless->AddAnswer(Answer("multiple of 100", {}, "OK"));
    // No answer for the reopened dialog: it is cancelled.
    EXPECT_EQ(dlg.RunModal(), kIdCancel);
    const auto& seen = app.headless->Interactions();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, Interaction::Kind::MessageBox);
    EXPECT_EQ(seen[0].text, "Maximum Base must be a multiple of 100");
    EXPECT_EQ(seen[1].kind, Interaction::Kind::Dialog);
    EXPECT_EQ(seen[1].result, kIdCancel);
    EXPECT_EQ(dlg.Focus(), kBase);
}

TEST(Dialog, ASecondAnswerCorrectsTheValueAndCloses) {
    TestApp app;
    SampleDlg dlg;
    // "abc" is refused by the number edit; 150 fails the dialog's own check.
    app.headless->AddAnswer(Answer("Select Required", {{"Maximum Base", "abc"}, {"Maximum Base", "150"}}, "OK"));
    app.headless->AddAnswer(Answer("Select Required", {{"Maximum Base", "1500"}}, "Browse->"));
    app.headless->AddAnswer(Answer("Select Required", {}, "OK"));
    EXPECT_EQ(dlg.RunModal(), kIdOk);
    EXPECT_EQ(dlg.base, 1500);
    EXPECT_EQ(dlg.buttons, (std::vector<int>{kBrowse}));
    EXPECT_EQ(app.headless->AnswersLeft(), 0u);
}

TEST(Dialog, ExchangeErrorsOfNumbersAndLengths) {
    TestApp app;
    struct Case {
        std::string text;
        bool ok;
        std::string message;
    };
    const Case cases[] = {
        {" 42 ", true, ""},
        {"-7", true, ""},
        {"", false, "Please enter an integer."},
        {"12x", false, "Please enter an integer."},
        {"99999999999999999999", false, "Please enter an integer."},
    };
    for (const Case& c : cases) {
        Dialog dlg(DialogDecl{1, "N", {NumberControl(5, "N"), EditControl(6, "T")}});
        dlg.RunModal();  // builds the controls (and is cancelled)
        dlg.SetItemText(5, c.text);
        int value = 1;
        Exchange dx(dlg, true);
        dx.Int(5, value);
        EXPECT_EQ(!dx.Failed(), c.ok) << c.text;
        EXPECT_EQ(dx.FailureText(), c.message) << c.text;
        if (!c.ok) {
            EXPECT_EQ(value, 1);
        }
    }
    Dialog dlg(DialogDecl{1, "T", {EditControl(6, "T")}});
    dlg.RunModal();
    dlg.SetItemText(6, "abcdef");
    std::string s;
    Exchange dx(dlg, true);
    dx.Text(6, s, 5);
    EXPECT_TRUE(dx.Failed());
    EXPECT_EQ(dx.FailureText(), "Please enter no more than 5 characters.");
}

TEST(Dialog, ComboChoiceAndDropDownText) {
    TestApp app;
    Dialog dlg(DialogDecl{1, "C", {DropDownControl(7, "Face", {"Courier", "Courier New"}), DropListControl(8, "Baud", {"9600", "57600"})}});
    dlg.RunModal();
    std::string face = "Lucida", baud = "57600";
    {
        Exchange load(dlg, false);
        load.Choice(7, face);
        load.Choice(8, baud);
    }
    EXPECT_EQ(dlg.GetItemText(7), "Lucida");
    EXPECT_EQ(dlg.GetCurSel(7), -1);
    EXPECT_EQ(dlg.GetCurSel(8), 1);
    std::string why;
    EXPECT_FALSE(dlg.UserSetValue(*dlg.Control(8), "115200", why));
    EXPECT_NE(why.find("115200"), std::string::npos);
    EXPECT_TRUE(dlg.UserSetValue(*dlg.Control(7), "courier new", why));
    EXPECT_EQ(dlg.GetCurSel(7), 1);
    Exchange save(dlg, true);
    save.Choice(7, face);
    save.Choice(8, baud);
    EXPECT_EQ(face, "Courier New");
    EXPECT_EQ(baud, "57600");
    EXPECT_EQ(dlg.AddString(8, "115200"), 2);
    EXPECT_FALSE(dlg.SetCurSel(8, 3));
}

TEST(Dialog, DisabledControlsAndButtonsCannotBeUsed) {
    TestApp app;
    testing::internal::CaptureStderr();
    app.headless->SetStreams(nullptr, stderr);
    struct Dlg : Dialog {
        Dlg() : Dialog(DialogDecl{1, "Opts", {EditControl(3, "Max"), ButtonControl(4, "Title"), ButtonControl(kIdOk, "OK")}}) {}
        bool OnInit() override {
            EnableItem(3, false);
            EnableItem(4, false);
            return true;
        }
        void OnButton(int) override { pressed = true; }
        bool pressed = false;
    } dlg;
    app.headless->AddAnswer(Answer("Opts", {{"Max", "100"}, {"Nope", "1"}}, "Title"));
    app.headless->AddAnswer(Answer("Opts", {}, "OK"));
    EXPECT_EQ(dlg.RunModal(), kIdOk);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(dlg.pressed);
    EXPECT_EQ(dlg.GetItemText(3), "");
    EXPECT_NE(err.find("cannot set 'Max'"), std::string::npos) << err;
    EXPECT_NE(err.find("no control 'Nope'"), std::string::npos) << err;
    EXPECT_NE(err.find("no button 'Title'"), std::string::npos) << err;
}

}  // namespace
}  // namespace platform
