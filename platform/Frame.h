// Frames: the main window around a view (single document) or around child
// frames (multiple documents), with menu, toolbar, status bar and placement.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Command.h"
#include "platform/Geometry.h"

namespace platform {

class Document;
class View;

struct MenuItem {
    std::string text;              // "&File", "&Setup..."; empty with id 0: separator
    unsigned id = 0;               // command id; 0 for a popup or separator
    std::vector<MenuItem> items;   // popup contents
    std::string prompt;            // status-bar text while the item is highlighted; may be empty
};

// Builders for menu tables.
MenuItem Popup(std::string text, std::vector<MenuItem> items);
MenuItem Item(std::string text, unsigned id, std::string prompt = {});
MenuItem Separator();

// Status bar pane: text and enabled state; width given by a sample text.
struct StatusPane {
    unsigned id = 0;
    std::string sample;   // sizes the pane ("Country=WW")
    std::string text;
    bool enabled = true;
};

// Show states of a window.
enum class ShowState { Hidden = 0, Normal = 1, Minimized = 2, Maximized = 3 };

// How a main frame lays out its child frames' windows.
enum class ChildArrangement { Tile, Cascade, ArrangeIcons };

// A window placement as the programs store it: flags, show command,
// minimised and maximised positions, normal rectangle.
struct WindowPlacement {
    unsigned flags = 0;    // 2: restore to maximised
    unsigned showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
    Point minPosition{-1, -1};
    Point maxPosition{-1, -1};
    Rect normal{0, 0, 800, 600};
};

class Frame : public CommandTarget {
public:
    Frame();
    ~Frame() override;

    // Creates the window: backend window, then OnCreate; false when OnCreate
    // refuses (the frame is then not shown).
    bool Create(const std::string& title);
    // Window creation hook: toolbar, status bar... false ends the creation.
    virtual bool OnCreate() { return true; }
    // Close request (menu Exit, window close button, kMsgClose). The base
    // closes: DestroyWindow, and for the main frame the application quits.
    virtual void OnClose();
    void DestroyWindow();
    bool IsWindowCreated() const { return created_; }

    void SetTitle(std::string title);
    const std::string& Title() const { return title_; }

    // Menus, toolbar and status bar (set in OnCreate or before Create).
    void SetMenu(std::vector<MenuItem> menu);
    const std::vector<MenuItem>& Menu() const { return menu_; }
    // Toolbar buttons by command id; 0 is a gap.
    void SetToolbar(std::vector<unsigned> buttons);
    const std::vector<unsigned>& Toolbar() const { return toolbar_; }
    void SetStatusPanes(std::vector<StatusPane> panes);
    std::vector<StatusPane>& StatusPanes() { return panes_; }
    void SetPaneText(std::size_t index, std::string text);
    void EnablePane(std::size_t index, bool enabled);
    // The message pane (pane 0 when there is one).
    void SetMessageText(std::string text);
    // Tells the backend that menus, toolbar or panes changed.
    void RefreshChrome();

    // Placement (backend-held window geometry).
    bool GetWindowPlacement(WindowPlacement& placement) const;
    void SetWindowPlacement(const WindowPlacement& placement);
    ShowState GetShowState() const;
    bool IsMaximized() const { return GetShowState() == ShowState::Maximized; }
    bool IsMinimized() const { return GetShowState() == ShowState::Minimized; }
    void Show(ShowState state);

    // The view of a single-document frame, or the active child's view.
    virtual View* ActiveView() const;
    Document* ActiveDocument() const;
    // Views owned by this frame.
    void AddView(std::unique_ptr<View> view);
    const std::vector<std::unique_ptr<View>>& OwnedViews() const { return views_; }
    void SetActiveView(View* view) { activeView_ = view; }

    // Child frames (multiple-document programs); the main frame keeps the
    // list, the children are owned by their document template.
    void AddChild(Frame* child);
    void RemoveChild(Frame* child);
    const std::vector<Frame*>& Children() const { return children_; }
    Frame* ActiveChild() const { return activeChild_; }
    void ActivateChild(Frame* child);
    // Lays out the child frames' windows (a backend without windows does nothing).
    void ArrangeChildren(ChildArrangement how);
    Frame* Parent() const { return parent_; }
    bool IsChild() const { return parent_ != nullptr; }

    // Key press: runs the command bound to the key along the command route,
    // otherwise gives it to the active view. True when used.
    bool HandleKey(const Key& key);
    // Command state along the route (for menus and toolbar).
    CommandState QueryState(unsigned id) const;

    bool OnMessage(unsigned message, WParam wparam, LParam lparam) override;

private:
    std::string title_;
    std::vector<MenuItem> menu_;
    std::vector<unsigned> toolbar_;
    std::vector<StatusPane> panes_;
    std::vector<std::unique_ptr<View>> views_;
    View* activeView_ = nullptr;
    std::vector<Frame*> children_;
    Frame* activeChild_ = nullptr;
    Frame* parent_ = nullptr;
    bool created_ = false;
};

}  // namespace platform
