// The window of a frame: a main window with the frame's menus, toolbar and status bar panes
// (a top-level frame), or a window inside the main window's document area (a child frame).
// Menus and toolbar come from the frame's command ids; their enable and check states are
// asked along the command route each time the frame is refreshed.
#pragma once

#include <QMainWindow>

#include <map>
#include <string>
#include <vector>

#include "platform/Frame.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QSplitter;
class QToolBar;

namespace platform::qt {

class QtUi;
class QtViewWidget;

class QtFrameWindow : public QMainWindow {
public:
    QtFrameWindow(QtUi& ui, Frame& frame, QWidget* parent = nullptr);

    Frame* GetFrame() const { return frame_; }
    // The frame is going away: input no longer reaches it.
    void Detach() { frame_ = nullptr; }

    // Title, menus, toolbar, panes and command states from the frame.
    void Refresh();
    // Updates the enable and check states only.
    void RefreshStates();

    // A view's window goes into the frame's client area.
    void AddViewWidget(QtViewWidget* widget);
    // The area the child frames' windows live in (made on first use).
    QMdiArea* DocumentArea();
    // The action of a command in the menus or toolbar (null when none).
    QAction* ActionFor(unsigned id) const;
    // The action of a menu item by its path ("File/Print...", markers and case ignored).
    QAction* ActionByPath(const std::string& path) const;
    // Shown on the first refresh after creation.
    bool WasShown() const { return shown_; }
    void MarkShown() { shown_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct BuiltPane {
        std::string sample;
        QLabel* label = nullptr;
    };
    QAction* MakeAction(unsigned id, const std::string& text);
    void BuildMenus(const std::vector<MenuItem>& menu);
    void FillMenu(QMenu* menu, const std::vector<MenuItem>& items);
    void BuildToolbar(const std::vector<unsigned>& buttons);
    void BuildPanes(const std::vector<StatusPane>& panes);
    QString ButtonLabel(unsigned id) const;

    QtUi& ui_;
    Frame* frame_;
    bool shown_ = false;
    std::vector<MenuItem> builtMenu_;
    bool menuBuilt_ = false;
    std::vector<unsigned> builtToolbar_;
    bool toolbarBuilt_ = false;
    std::vector<BuiltPane> panes_;
    std::map<unsigned, QAction*> actions_;
    std::map<unsigned, std::string> menuTexts_;
    QToolBar* toolbar_ = nullptr;
    QSplitter* views_ = nullptr;
    QMdiArea* area_ = nullptr;
};

}  // namespace platform::qt
