// One value-exchange step between a dialog's controls and its members, in
// either direction. DoDataExchange lists the pairs once; ExchangeData runs it.
#pragma once

#include <string>

namespace platform {

class Dialog;

class Exchange {
public:
    Exchange(Dialog& dialog, bool save) : dialog_(dialog), save_(save) {}

    // true: controls to members; false: members to controls.
    bool Saving() const { return save_; }
    bool Failed() const { return failed_; }
    const std::string& FailureText() const { return failure_; }
    int FailedControl() const { return failedControl_; }

    // Edit or drop-down text; maxLength > 0 cuts (loading) and refuses
    // (saving: "Please enter no more than %d characters.") longer texts.
    void Text(int id, std::string& value, int maxLength = 0);
    // Integer of an edit. Saving fails with "Please enter an integer." when
    // the text is not one (blanks around allowed).
    void Int(int id, int& value);
    void Long(int id, long& value);
    void UInt(int id, unsigned& value);
    // Integer in range (saving only): "Please enter an integer between %d and %d."
    void Range(int id, long value, long min, long max);
    // Check box (0/1).
    void Check(int id, int& value);
    void Check(int id, bool& value);
    // Radio group starting at firstId: offset of the checked radio, -1 none.
    void Radio(int firstId, int& value);
    // Combo or list selection index, -1 none.
    void Index(int id, int& value);
    // Combo or list text: saving takes the selected item's text (a drop-down:
    // its edit text); loading selects the first item equal to the text (a
    // drop-down shows the text even when no item equals it).
    void Choice(int id, std::string& value);

    // A check of the dialog's own: marks failure with this text and control.
    // Only the first failure counts; later calls in the same step do nothing.
    void Fail(int id, std::string text);

private:
    Dialog& dialog_;
    bool save_;
    bool failed_ = false;
    std::string failure_;
    int failedControl_ = 0;
};

}  // namespace platform
