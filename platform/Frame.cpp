#include "platform/Frame.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/View.h"

namespace platform {
namespace {
Ui* CurrentUi() {
    App* app = App::Current();
    return app ? &app->GetUi() : nullptr;
}
}  // namespace

MenuItem Popup(std::string text, std::vector<MenuItem> items) {
    return MenuItem{std::move(text), 0, std::move(items), {}};
}
MenuItem Item(std::string text, unsigned id, std::string prompt) {
    return MenuItem{std::move(text), id, {}, std::move(prompt)};
}
MenuItem Separator() { return MenuItem{}; }

Frame::Frame() = default;

Frame::~Frame() {
    DestroyWindow();
    if (Ui* ui = CurrentUi()) ui->FrameDestroyed(*this);  // forgets a placement set before Create
    for (Frame* child : children_) child->parent_ = nullptr;
    if (parent_) parent_->RemoveChild(this);
    if (App* app = App::Current(); app && app->MainFrame() == this) app->SetMainFrame(nullptr);
    // Views go before the frame's other members.
    activeView_ = nullptr;
    views_.clear();
}

bool Frame::Create(const std::string& title) {
    title_ = title;
    Ui* ui = CurrentUi();
    if (ui) ui->FrameCreated(*this);
    created_ = true;
    if (!OnCreate()) {
        DestroyWindow();
        return false;
    }
    if (ui) ui->FrameChanged(*this);
    return true;
}

void Frame::OnClose() {
    if (IsChild()) {
        Document* doc = ActiveDocument();
        DestroyWindow();
        if (doc && doc->Template()) doc->Template()->CloseDocument(doc);  // deletes this frame
        return;
    }
    DestroyWindow();
    if (App* app = App::Current(); app && app->MainFrame() == this) app->Quit(app->ExitCode());
}

void Frame::DestroyWindow() {
    if (!created_) return;
    created_ = false;
    if (Ui* ui = CurrentUi()) ui->FrameDestroyed(*this);
}

void Frame::SetTitle(std::string title) {
    title_ = std::move(title);
    RefreshChrome();
}

void Frame::SetMenu(std::vector<MenuItem> menu) {
    menu_ = std::move(menu);
    RefreshChrome();
}

void Frame::SetToolbar(std::vector<unsigned> buttons) {
    toolbar_ = std::move(buttons);
    RefreshChrome();
}

void Frame::SetStatusPanes(std::vector<StatusPane> panes) {
    panes_ = std::move(panes);
    RefreshChrome();
}

void Frame::SetPaneText(std::size_t index, std::string text) {
    if (index >= panes_.size()) return;
    panes_[index].text = std::move(text);
    RefreshChrome();
}

void Frame::EnablePane(std::size_t index, bool enabled) {
    if (index >= panes_.size()) return;
    panes_[index].enabled = enabled;
    RefreshChrome();
}

void Frame::SetMessageText(std::string text) { SetPaneText(0, std::move(text)); }

void Frame::RefreshChrome() {
    if (!created_) return;
    if (Ui* ui = CurrentUi()) ui->FrameChanged(*this);
}

bool Frame::GetWindowPlacement(WindowPlacement& placement) const {
    Ui* ui = CurrentUi();
    return ui && ui->GetPlacement(*this, placement);
}

void Frame::SetWindowPlacement(const WindowPlacement& placement) {
    if (Ui* ui = CurrentUi()) ui->SetPlacement(*this, placement);
}

ShowState Frame::GetShowState() const {
    Ui* ui = CurrentUi();
    return ui ? ui->GetShowState(*this) : ShowState::Hidden;
}

void Frame::Show(ShowState state) {
    if (Ui* ui = CurrentUi()) ui->Show(*this, state);
}

void Frame::ArrangeChildren(ChildArrangement how) {
    if (Ui* ui = CurrentUi()) ui->ArrangeChildren(*this, how);
}

View* Frame::ActiveView() const {
    if (activeChild_) return activeChild_->ActiveView();
    return activeView_;
}

Document* Frame::ActiveDocument() const {
    View* v = ActiveView();
    return v ? v->GetDocument() : nullptr;
}

void Frame::AddView(std::unique_ptr<View> view) {
    if (!view) return;
    View* v = view.get();
    if (v->GetFrame() != this) v->Attach(v->GetDocument(), this);
    views_.push_back(std::move(view));
    if (!activeView_) activeView_ = v;
}

void Frame::AddChild(Frame* child) {
    if (!child || child == this) return;
    child->parent_ = this;
    if (std::find(children_.begin(), children_.end(), child) == children_.end()) children_.push_back(child);
}

void Frame::RemoveChild(Frame* child) {
    std::erase(children_, child);
    if (activeChild_ == child) activeChild_ = children_.empty() ? nullptr : children_.back();
}

void Frame::ActivateChild(Frame* child) {
    if (std::find(children_.begin(), children_.end(), child) != children_.end()) activeChild_ = child;
}

bool Frame::HandleKey(const Key& key) {
    App* app = App::Current();
    // The command bound to the key anywhere on the route.
    std::vector<const CommandTarget*> route;
    if (View* v = ActiveView()) {
        route.push_back(v);
        if (v->GetDocument()) route.push_back(v->GetDocument());
    }
    if (activeChild_) route.push_back(activeChild_);
    route.push_back(this);
    if (parent_) route.push_back(parent_);
    if (app) route.push_back(app);
    for (const CommandTarget* t : route) {
        if (const Command* c = t->Commands().FindKey(key)) {
            if (app) return app->RouteCommand(c->id);
            return const_cast<CommandTarget*>(t)->ExecuteCommand(c->id);
        }
    }
    View* v = ActiveView();
    return v && v->OnKeyDown(key);
}

CommandState Frame::QueryState(unsigned id) const {
    CommandState state;
    state.id = id;
    App* app = App::Current();
    if (!app || !app->RouteQuery(state)) state.enabled = false;
    return state;
}

bool Frame::OnMessage(unsigned message, WParam wparam, LParam lparam) {
    if (message == kMsgClose) {
        OnClose();
        return true;
    }
    if (message == kMsgCommand) {
        App* app = App::Current();
        return app ? app->RouteCommand(static_cast<unsigned>(wparam))
                   : ExecuteCommand(static_cast<unsigned>(wparam));
    }
    return CommandTarget::OnMessage(message, wparam, lparam);
}

}  // namespace platform
