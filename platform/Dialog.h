// Modal dialogs over a DialogDecl: controls hold their state here, the
// backend shows them and the user (or a scripted answer) changes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Command.h"
#include "platform/DialogDecl.h"

namespace platform {

class Exchange;

// A label as answers and look-ups compare it: lower case, without '&' markers and
// without blanks around it or a trailing ':'.
std::string ControlLabelKey(const std::string& label);

// Live state of one control while the dialog runs.
struct ControlState {
    ControlDecl decl;
    std::string text;                // Edit/NumberEdit/DropDown text, label of others
    bool checked = false;            // Check/Radio
    std::vector<std::string> items;  // DropDown/DropList/ListBox
    int selection = -1;              // DropDown/DropList/ListBox: -1 none
    bool enabled = true;
    bool visible = true;
};

class Dialog : public CommandTarget {
public:
    explicit Dialog(DialogDecl decl);
    ~Dialog() override;

    // Shows the dialog until it ends; returns the result passed to End
    // (kIdOk, kIdCancel, or another). The dialog's controls are built from
    // the declaration at each run.
    int RunModal();

    // Handlers. Base behaviour in brackets.
    // [ExchangeData(false)] Called when the controls exist; return value unused.
    virtual bool OnInit();
    // [ExchangeData(true), then End(kIdOk) when it succeeds]
    virtual void OnOk();
    // [End(kIdCancel)]
    virtual void OnCancel();
    // A button other than OK/Cancel was pressed. [nothing]
    virtual void OnButton(int id);
    // Selection of a combo/list, or a check box/radio, changed by the user. [nothing]
    virtual void OnSelChange(int id);
    // Text of an edit or drop-down was changed by the user. [nothing]
    virtual void OnEditChange(int id);

    // Value exchange between the controls and the object's members.
    virtual void DoDataExchange(Exchange& dx);
    // save = true: controls to members (false when a validation failed: the
    // failure was shown in a message box and the dialog stays open);
    // save = false: members to controls.
    bool ExchangeData(bool save);

    // Ends the modal run with this result.
    void End(int result);
    bool IsRunning() const { return running_; }
    bool HasEnded() const { return ended_; }
    int Result() const { return result_; }

    // Caption (changeable while running).
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const DialogDecl& Declaration() const { return decl_; }

    // Controls (valid during RunModal, from OnInit on).
    std::vector<ControlState>& Controls() { return controls_; }
    ControlState* Control(int id);
    const ControlState* Control(int id) const;
    // Finds a control by its label (exact, then ignoring case and '&' markers).
    ControlState* ControlByLabel(const std::string& label);

    std::string GetItemText(int id) const;
    void SetItemText(int id, std::string text);
    // Integer of an edit's text; nullopt when it is not one.
    std::optional<long> GetItemInt(int id) const;
    void SetItemInt(int id, long value);
    bool IsChecked(int id) const;
    void SetCheck(int id, bool checked);  // a radio unchecks the rest of its group
    // The checked radio of the group starting at firstId: its offset in the
    // group, or -1.
    int CheckedRadio(int firstId) const;
    void EnableItem(int id, bool enabled);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool visible);
    // Combo and list boxes.
    int AddString(int id, std::string text);  // index of the new item, -1 when no list
    void ResetContent(int id);
    int GetCount(int id) const;
    int GetCurSel(int id) const;
    // Selects item index (-1 none); a drop-down's text follows. False when out of range.
    bool SetCurSel(int id, int index);
    std::string GetItemString(int id, int index) const;
    // Focus (kept for the backend; the headless backend only records it).
    void SetFocus(int id) { focus_ = id; }
    int Focus() const { return focus_; }
    // Moves focus to the previous (or next) enabled control.
    void NextControl(bool previous);

    // What a user does, used by the backends and scripted answers: sets a
    // control's value as typing or picking would, then calls OnEditChange or
    // OnSelChange. Values: edits take the text (cut at the limit); check boxes
    // "1"/"0" (also "yes"/"no", "on"/"off", "true"/"false", "checked"/
    // "unchecked"); a radio "1" selects it; combo and list boxes the text of
    // an item (exact, else ignoring case), a drop-down also any text.
    // False (with why) when the value does not fit the control.
    bool UserSetValue(ControlState& control, const std::string& value, std::string& why);
    // Presses a button as a user does: kIdOk -> OnOk, kIdCancel -> OnCancel,
    // other -> OnButton. False when there is no such enabled button.
    bool UserPress(int id);

private:
    void BuildControls();

    DialogDecl decl_;
    std::string caption_;
    std::vector<ControlState> controls_;
    bool running_ = false;
    bool ended_ = false;
    int result_ = kIdCancel;
    int focus_ = 0;
};

}  // namespace platform
