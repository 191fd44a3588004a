// A declared dialog as a window: one widget per control, laid out automatically (labelled
// fields in a grid with their side buttons, check boxes and radio groups under the fields,
// texts across, further buttons in rows, and the closing buttons at the bottom right).
// What the user does goes to the dialog as Dialog::UserSetValue and UserPress do; after
// each handler the widgets show the controls' state again.
#pragma once

#include <QDialog>

#include <map>
#include <vector>

#include "platform/Dialog.h"

class QAbstractButton;
class QGridLayout;
class QLabel;

namespace platform::qt {

class QtDialogWindow : public QDialog {
public:
    QtDialogWindow(Dialog& dialog, QWidget* parent);

    // Widgets from the controls' state: values, items, enabled, shown, caption, focus.
    void SyncFromState();
    // The widget of a control (null when none), and the label beside it.
    QWidget* Widget(int id) const;
    // Presses a button as a click does; false when there is no such enabled button.
    bool Press(int id);

    void reject() override;  // Esc and the close button: the dialog's Cancel

private:
    struct Entry {
        ControlState* control;  // valid while the dialog runs
        QWidget* widget;
        QLabel* label;  // beside a field, or null
    };
    void Build();
    QWidget* MakeWidget(ControlState& c);
    void AfterUserAction();
    void Pressed(int id);
    Entry* Find(int id);

    Dialog& dialog_;
    std::vector<Entry> entries_;
    int lastFocus_ = 0;
    bool syncing_ = false;
};

// True for the ids of the buttons that close a dialog (OK, Cancel, Yes, No ...).
bool IsClosingButton(int id);

}  // namespace platform::qt
