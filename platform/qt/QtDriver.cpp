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

std::vector<std::string> SplitArgs(const std::string& text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        std::string arg;
        if (text[i] == '"') {
            std::size_t end = text.find('"', i + 1);
            if (end == std::string::npos) end = text.size();
            arg = text.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t') arg += text[i++];
        }
        args.push_back(arg);
    }
    return args;
}

// "Ctrl+Shift+Down" -> the key and its modifiers.
bool ParseKey(const std::string& name, int& qtKey, Qt::KeyboardModifiers& modifiers) {
    modifiers = Qt::NoModifier;
    std::string rest = name;
    for (;;) {
        std::size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 >= rest.size()) break;
        std::string mod = ControlLabelKey(rest.substr(0, plus));
        if (mod == "ctrl") modifiers |= Qt::ControlModifier;
        else if (mod == "shift") modifiers |= Qt::ShiftModifier;
        else if (mod == "alt") modifiers |= Qt::AltModifier;
        else return false;
        rest = rest.substr(plus + 1);
    }
    std::string key = ControlLabelKey(rest);
    static const struct {
        const char* name;
        int code;
    } kNames[] = {
        {"down", kKeyDown},     {"up", kKeyUp},           {"left", kKeyLeft},     {"right", kKeyRight},
        {"home", kKeyHome},     {"end", kKeyEnd},         {"pageup", kKeyPageUp}, {"pagedown", kKeyPageDown},
        {"insert", kKeyInsert}, {"ins", kKeyInsert},      {"delete", kKeyDelete}, {"del", kKeyDelete},
        {"return", kKeyReturn}, {"enter", kKeyReturn},    {"escape", kKeyEscape}, {"esc", kKeyEscape},
        {"tab", kKeyTab},       {"space", kKeySpace},     {"backspace", kKeyBackspace},
    };
    int code = 0;
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]))) {
        code = std::toupper(static_cast<unsigned char>(key[0]));
    } else if (key.size() >= 2 && key[0] == 'f' && std::atoi(key.c_str() + 1) >= 1 && std::atoi(key.c_str() + 1) <= 12) {
        code = kKeyF1 + std::atoi(key.c_str() + 1) - 1;
    } else {
        for (const auto& k : kNames) {
            if (key == k.name) code = k.code;
        }
    }
    qtKey = ToQtKey(code);
    return qtKey != 0;
}

}  // namespace

bool QtDriver::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read driver file " + path;
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return Parse(ss.str(), path, error);
}

bool QtDriver::Parse(const std::string& text, const std::string& name, std::string& error) {
    static const char* const kVerbs[] = {"shot", "command", "key", "click", "clipboard", "wait", "close"};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> args = SplitArgs(line);
        if (args.empty() || args[0][0] == '#') continue;
        Statement s{ControlLabelKey(args[0]), {args.begin() + 1, args.end()}, lineNo};
        if (s.verb != "click" && s.args.size() > 1) {
            // One argument: the rest of the line ("command File/Debug Level...").
            std::string rest;
            for (const std::string& a : s.args) rest += (rest.empty() ? "" : " ") + a;
            s.args = {rest};
        }
        bool known = false;
        for (const char* v : kVerbs) known = known || s.verb == v;
        std::size_t need = s.verb == "close" ? 0 : 1;
        if (!known || s.args.size() < need) {
            error = name + ":" + std::to_string(lineNo) + ": " +
                    (known ? "'" + s.verb + "' needs an argument" : "unknown statement '" + args[0] + "'");
            return false;
        }
        statements_.push_back(std::move(s));
    }
    return true;
}

int QtDriver::Delay() const {
    if (next_ > 0 && statements_[next_ - 1].verb == "wait") return std::max(0, std::atoi(statements_[next_ - 1].args[0].c_str()));
    return kSettleMs;
}

void QtDriver::RunNext() {
    if (!HasWork()) return;
    const Statement& s = statements_[next_++];
    Run(s);
}

void QtDriver::Fail(const Statement& s, const std::string& why) const {
    std::fprintf(stderr, "driver: line %d: %s: %s\n", s.line, s.verb.c_str(), why.c_str());
    std::fflush(stderr);
}

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
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    if (!ParseKey(s.args[0], key, modifiers)) return Fail(s, "unknown key '" + s.args[0] + "'");
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
