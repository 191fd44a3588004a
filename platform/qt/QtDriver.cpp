#include "platform/qt/QtDriver.h"

#include <QAbstractScrollArea>

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Dialog.h"
#include "platform/Frame.h"
#include "platform/View.h"
#include "platform/qt/QtFrameWindow.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtViewWidget.h"

namespace platform::qt {
namespace {

constexpr int kSettleMs = 150;

}  // namespace

bool QtDriver::Load(const std::string& path, std::string& error) { return script_.Load(path, error); }

bool QtDriver::Parse(const std::string& text, const std::string& name, std::string& error) {
    return script_.Parse(text, name, error);
}

int QtDriver::Delay() const {
    const Statement* last = script_.Last();
    if (last && last->verb == "wait") return std::max(0, std::atoi(last->args[0].c_str()));
    return kSettleMs;
}

void QtDriver::RunNext() {
    if (!HasWork()) return;
    Run(script_.Next());
}

void QtDriver::Fail(const Statement& s, const std::string& why) const { DriverFail(s, why); }

void QtDriver::Run(const Statement& s) {
    if (s.verb == "shot") Shot(s);
    else if (s.verb == "command") Command(s);
    else if (s.verb == "key") KeyPress(s);
    else if (s.verb == "click") Click(s);
    else if (s.verb == "clipboard") {
        QFile file(FromPath(s.args[0]));
        if (!file.open(QIODevice::WriteOnly)) return Fail(s, "cannot write " + s.args[0]);
        file.write(QGuiApplication::clipboard()->text().toUtf8());
    } else if (s.verb == "close") {
        if (QtFrameWindow* w = ui_.MainWindow()) w->close();
        else Fail(s, "no main window");
    }
    ui_.NoteActivity();
}

void QtDriver::Shot(const Statement& s) {
    QtFrameWindow* window = ui_.MainWindow();
    std::string png = ui_.Answers().ShotPath(s.args[0] + ".png");
    if (!window || png.empty()) return Fail(s, window ? "no SUITE_QT_SHOTS folder" : "no main window");
    QPixmap picture = window->grab();
    if (!picture.save(FromPath(png), "PNG")) return Fail(s, "cannot save " + png);
    std::string listing;
    // The view widget class has no meta-object of its own: a search by its type would also
    // return other scroll areas (the document area of a multi-document window).
    for (QAbstractScrollArea* area : window->findChildren<QAbstractScrollArea*>()) {
        auto* w = dynamic_cast<QtViewWidget*>(area);
        if (!w) continue;
        QPoint at = w->viewport()->mapTo(window, QPoint(0, 0));
        for (const DrawnText& t : w->DrawnTexts()) {
            QRect r = t.rect.translated(at);
            listing += std::to_string(r.x()) + " " + std::to_string(r.y()) + " " + std::to_string(r.width()) + " " +
                       std::to_string(r.height()) + "\t" + From1252(t.text).toStdString() + "\n";
        }
    }
    std::ofstream(ui_.Answers().ShotPath(s.args[0] + ".txt"), std::ios::binary) << listing;
}

void QtDriver::Command(const Statement& s) {
    QtFrameWindow* window = ui_.MainWindow();
    if (!window) return Fail(s, "no main window");
    const std::string& what = s.args[0];
    char* end = nullptr;
    unsigned long id = std::strtoul(what.c_str(), &end, 10);
    QAction* action = end && *end == '\0' ? window->ActionFor(static_cast<unsigned>(id)) : window->ActionByPath(what);
    if (!action) return Fail(s, "no command '" + what + "' in the menus or toolbar");
    window->RefreshStates();
    if (!action->isEnabled()) return Fail(s, "command '" + what + "' is disabled");
    action->trigger();
}

void QtDriver::KeyPress(const Statement& s) {
    Key parsed;
    if (!ParseKeyName(s.args[0], parsed)) return Fail(s, "unknown key '" + s.args[0] + "'");
    const int key = ToQtKey(parsed.code);
    if (key == 0) return Fail(s, "unknown key '" + s.args[0] + "'");
    Qt::KeyboardModifiers modifiers;
    if (parsed.ctrl) modifiers |= Qt::ControlModifier;
    if (parsed.shift) modifiers |= Qt::ShiftModifier;
    if (parsed.alt) modifiers |= Qt::AltModifier;
    QtFrameWindow* window = ui_.MainWindow();
    Frame* frame = window ? window->GetFrame() : nullptr;
    View* view = frame ? frame->ActiveView() : nullptr;
    QWidget* target = view ? static_cast<QWidget*>(ui_.WidgetOf(*view)) : window;
    if (!target) return Fail(s, "no window for the key");
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

void QtDriver::Click(const Statement& s) {
    QtFrameWindow* window = ui_.MainWindow();
    Frame* frame = window ? window->GetFrame() : nullptr;
    View* view = frame ? frame->ActiveView() : nullptr;
    QtViewWidget* widget = view ? ui_.WidgetOf(*view) : nullptr;
    if (!widget) return Fail(s, "no view");
    Qt::KeyboardModifiers modifiers;
    for (std::size_t i = 1; i < s.args.size(); ++i) {
        std::string m = ControlLabelKey(s.args[i]);
        if (m == "shift") modifiers |= Qt::ShiftModifier;
        else if (m == "ctrl") modifiers |= Qt::ControlModifier;
        else return Fail(s, "unknown modifier '" + s.args[i] + "'");
    }
    widget->RepaintAll();
    std::string wanted = To1252(QString::fromUtf8(s.args[0]));
    for (const DrawnText& t : widget->DrawnTexts()) {
        if (t.text.find(wanted) == std::string::npos) continue;
        QPointF at(t.rect.left() + 2, t.rect.center().y());
        QPointF global = widget->viewport()->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, modifiers);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(widget->viewport(), &press);
        QCoreApplication::sendEvent(widget->viewport(), &release);
        return;
    }
    Fail(s, "no text '" + s.args[0] + "' in the view");
}

}  // namespace platform::qt
