#include "platform/qt/QtFrameWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "platform/App.h"
#include "platform/Document.h"
#include "platform/View.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtViewWidget.h"

namespace platform::qt {
namespace {

bool SameMenu(const std::vector<MenuItem>& a, const std::vector<MenuItem>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].text != b[i].text || a[i].id != b[i].id || a[i].prompt != b[i].prompt ||
            !SameMenu(a[i].items, b[i].items))
            return false;
    }
    return true;
}

// A menu text as a path step compares: no markers, no accelerator, no "...", lower case.
QString PathKey(const QString& text) {
    QString key = PlainLabel(To1252(text)).trimmed().toLower();
    while (key.endsWith('.')) key.chop(1);
    return key.trimmed();
}

// The command targets a command of the frame is looked for in, in order.
std::vector<const CommandTarget*> CommandRoute(Frame& frame) {
    std::vector<const CommandTarget*> route;
    if (View* v = frame.ActiveView()) {
        route.push_back(v);
        if (v->GetDocument()) route.push_back(v->GetDocument());
    }
    route.push_back(&frame);
    if (App* app = App::Current()) route.push_back(app);
    return route;
}

const Command* FindCommandText(unsigned id, Frame& frame) {
    for (const CommandTarget* t : CommandRoute(frame)) {
        if (const Command* c = t->Commands().Find(id); c && !c->text.empty()) return c;
    }
    return nullptr;
}

// The menu item's own prompt, when it has one, is the action's status text.
QAction* WithPrompt(QAction* action, const MenuItem& item) {
    if (!item.prompt.empty()) action->setStatusTip(From1252(item.prompt));
    return action;
}

const std::string* FindCommandPrompt(unsigned id, Frame& frame) {
    for (const CommandTarget* t : CommandRoute(frame)) {
        if (const std::string* prompt = t->Commands().Prompt(id)) return prompt;
    }
    return nullptr;
}

}  // namespace

QtFrameWindow::QtFrameWindow(QtUi& ui, Frame& frame, QWidget* parent) : QMainWindow(parent), ui_(ui), frame_(&frame) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

QAction* QtFrameWindow::MakeAction(unsigned id, const std::string& text) {
    auto it = actions_.find(id);
    QAction* action = it != actions_.end() ? it->second : nullptr;
    if (!action) {
        action = new QAction(this);
        connect(action, &QAction::triggered, this, [this, id] {
            if (frame_) ui_.RunCommand(*frame_, id);
        });
        actions_[id] = action;
    }
    if (!text.empty()) action->setText(From1252(text));
    action->setIconText(ButtonLabel(id));
    action->setToolTip(PlainLabel(text.empty() ? To1252(action->text()) : text));
    if (const std::string* prompt = frame_ ? FindCommandPrompt(id, *frame_) : nullptr) {
        std::size_t cut = prompt->find('\n');
        action->setStatusTip(From1252(prompt->substr(0, cut)));
        if (cut != std::string::npos) action->setToolTip(From1252(prompt->substr(cut + 1)));
    }
    return action;
}

QString QtFrameWindow::ButtonLabel(unsigned id) const {
    std::string text;
    if (auto it = menuTexts_.find(id); it != menuTexts_.end()) text = it->second;
    else if (frame_) {
        if (const Command* c = FindCommandText(id, *frame_)) text = c->text;
    }
    QString label = PlainLabel(text).trimmed();
    while (label.endsWith('.')) label.chop(1);
    return label.isEmpty() ? QString("#%1").arg(id) : label;
}

void QtFrameWindow::FillMenu(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        if (!item.items.empty() || (item.id == 0 && !item.text.empty())) {
            QMenu* sub = menu->addMenu(From1252(item.text));
            connect(sub, &QMenu::aboutToShow, this, [this] { RefreshStates(); });
            FillMenu(sub, item.items);
        } else if (item.id == 0) {
            menu->addSeparator();
        } else {
            menuTexts_[item.id] = item.text;
            menu->addAction(WithPrompt(MakeAction(item.id, item.text), item));
        }
    }
}

void QtFrameWindow::BuildMenus(const std::vector<MenuItem>& menu) {
    QMenuBar* bar = menuBar();
    for (QAction* a : bar->actions()) {
        if (QMenu* m = a->menu()) m->deleteLater();
    }
    bar->clear();
    menuTexts_.clear();
    for (const MenuItem& top : menu) {
        if (top.items.empty() && top.id != 0) {
            menuTexts_[top.id] = top.text;
            bar->addAction(WithPrompt(MakeAction(top.id, top.text), top));
            continue;
        }
        QMenu* m = bar->addMenu(From1252(top.text));
        connect(m, &QMenu::aboutToShow, this, [this] { RefreshStates(); });
        FillMenu(m, top.items);
    }
    builtMenu_ = menu;
    menuBuilt_ = true;
}

void QtFrameWindow::BuildToolbar(const std::vector<unsigned>& buttons) {
    if (!toolbar_) {
        toolbar_ = addToolBar(QStringLiteral("Standard"));
        toolbar_->setObjectName(QStringLiteral("Standard"));
        toolbar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
        toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    }
    toolbar_->clear();
    for (unsigned id : buttons) {
        if (id == 0) toolbar_->addSeparator();
        else toolbar_->addAction(MakeAction(id, ""));
    }
    toolbar_->setVisible(!buttons.empty());
    builtToolbar_ = buttons;
    toolbarBuilt_ = true;
}

void QtFrameWindow::BuildPanes(const std::vector<StatusPane>& panes) {
    bool same = panes.size() == panes_.size();
    for (std::size_t i = 0; same && i < panes.size(); ++i) same = panes[i].sample == panes_[i].sample;
    if (!same) {
        for (BuiltPane& p : panes_) {
            statusBar()->removeWidget(p.label);
            delete p.label;
        }
        panes_.clear();
        for (std::size_t i = 0; i < panes.size(); ++i) {
            auto* label = new QLabel(statusBar());
            label->setTextFormat(Qt::PlainText);
            if (i == 0) {
                statusBar()->addWidget(label, 1);
            } else {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setAlignment(Qt::AlignCenter);
                QFontMetrics fm(label->font());
                label->setMinimumWidth(fm.horizontalAdvance(From1252(panes[i].sample)) + 12);
                statusBar()->addPermanentWidget(label);
            }
            panes_.push_back({panes[i].sample, label});
        }
    }
    for (std::size_t i = 0; i < panes.size(); ++i) {
        QString text = From1252(panes[i].text);
        if (panes_[i].label->text() != text) panes_[i].label->setText(text);
        if (panes_[i].label->isEnabled() != panes[i].enabled) panes_[i].label->setEnabled(panes[i].enabled);
    }
}

void QtFrameWindow::Refresh() {
    if (!frame_) return;
    QString title = From1252(frame_->Title());
    if (windowTitle() != title) setWindowTitle(title);
    if (!frame_->IsChild()) {
        const std::vector<MenuItem>* menu = &frame_->Menu();
        if (Frame* child = frame_->ActiveChild(); child && !child->Menu().empty()) menu = &child->Menu();
        if (!menuBuilt_ || !SameMenu(*menu, builtMenu_)) BuildMenus(*menu);
        if (!toolbarBuilt_ || frame_->Toolbar() != builtToolbar_) BuildToolbar(frame_->Toolbar());
        if (!frame_->StatusPanes().empty() || !panes_.empty()) BuildPanes(frame_->StatusPanes());
    }
    RefreshStates();
}

void QtFrameWindow::RefreshStates() {
    if (!frame_) return;
    for (auto& [id, action] : actions_) {
        CommandState state = ui_.QueryCommand(*frame_, id);
        if (action->isEnabled() != state.enabled) action->setEnabled(state.enabled);
        if (state.checked || action->isCheckable()) {
            action->setCheckable(true);
            if (action->isChecked() != state.checked) action->setChecked(state.checked);
        }
        if (!state.text.empty()) {
            QString text = From1252(state.text);
            if (action->text() != text) action->setText(text);
        }
    }
}

void QtFrameWindow::AddViewWidget(QtViewWidget* widget) {
    if (!views_) {
        views_ = new QSplitter(Qt::Vertical, this);
        views_->setChildrenCollapsible(false);
        if (area_) views_->addWidget(area_);
        setCentralWidget(views_);
    }
    views_->addWidget(widget);
}

QMdiArea* QtFrameWindow::DocumentArea() {
    if (!area_) {
        area_ = new QMdiArea(this);
        area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
            auto* child = sub ? dynamic_cast<QtFrameWindow*>(sub->widget()) : nullptr;
            if (!frame_ || !child || !child->GetFrame()) return;
            frame_->ActivateChild(child->GetFrame());
            ui_.NoteActivity();
            Refresh();
        });
        if (views_) views_->addWidget(area_);
        else setCentralWidget(area_);
    }
    return area_;
}

QAction* QtFrameWindow::ActionFor(unsigned id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* QtFrameWindow::ActionByPath(const std::string& path) const {
    QStringList steps = From1252(path).split('/', Qt::SkipEmptyParts);
    if (steps.isEmpty() || frame_ == nullptr || frame_->IsChild()) return nullptr;
    QList<QAction*> level = const_cast<QtFrameWindow*>(this)->menuBar()->actions();
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QString key = PathKey(steps[i]);
        QAction* found = nullptr;
        for (QAction* a : level) {
            if (!a->isSeparator() && PathKey(a->text()) == key) found = a;
            if (found) break;
        }
        if (!found) return nullptr;
        if (i + 1 == steps.size()) return found;
        if (!found->menu()) return nullptr;
        level = found->menu()->actions();
    }
    return nullptr;
}

void QtFrameWindow::closeEvent(QCloseEvent* event) {
    if (!frame_) {
        event->accept();
        return;
    }
    // The frame decides: its close handler destroys the window through the layer.
    event->ignore();
    Frame* frame = frame_;
    ui_.NoteActivity();
    frame->OnClose();
}

void QtFrameWindow::keyPressEvent(QKeyEvent* event) {
    Key key = ToKey(event->key(), event->modifiers());
    if (frame_ && key.code != 0) {
        ui_.NoteActivity();
        if (frame_->HandleKey(key)) return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace platform::qt
