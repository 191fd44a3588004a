#include "platform/qt/QtAnswers.h"

#include <QDir>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/Dialog.h"
#include "platform/Text1252.h"
#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

constexpr int kSettleMs = 60;

std::string FileStem(const QString& caption) {
    std::string out;
    for (unsigned char c : To1252(caption)) {
        if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
        else if (!out.empty() && out.back() != '-') out += '-';
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out.empty() ? "window" : out.substr(0, 48);
}

}  // namespace

QtAnswers::QtAnswers() {
    if (const char* dir = std::getenv("SUITE_QT_SHOTS"); dir && *dir) shotFolder_ = dir;
}

void QtAnswers::Report(const std::string& text) const {
    std::fprintf(stderr, "answers: %s\n", Utf8From1252(text).c_str());
    std::fflush(stderr);
}

std::map<int, std::string> QtAnswers::ValuesFor(const ScriptedAnswer& answer,
                                                const std::vector<NamedControl>& controls,
                                                const std::string& dialogName) const {
    std::map<int, std::string> values;
    for (const auto& [name, value] : answer.values) {
        int ref = ParseControlRef(name);
        std::string key = ControlLabelKey(name);
        const NamedControl* hit = nullptr;
        for (const NamedControl& c : controls) {
            if (ref != 0 ? ref == c.id : key == ControlLabelKey(c.label)) hit = &c;
        }
        if (hit) values[hit->id] = value;
        else Report(AnswerWhere(answer) + "no control '" + name + "' in dialog '" + dialogName + "'");
    }
    return values;
}

std::string QtAnswers::ShotPath(const std::string& name) const {
    if (shotFolder_.empty()) return "";
    QDir().mkpath(FromPath(shotFolder_));
    return shotFolder_ + "/" + name;
}

std::string QtAnswers::ShotOfAnswered(QWidget& window) {
    if (shotFolder_.empty()) return "";
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++shots_);
    std::string path = ShotPath(prefix + FileStem(window.windowTitle()) + ".png");
    if (!window.grab().save(FromPath(path), "PNG")) {
        Report("cannot save screenshot " + path);
        return "";
    }
    return path;
}

void QtAnswers::WhenShown(QWidget& window, std::function<void()> apply, std::function<void()> press) {
    QPointer<QWidget> guard(&window);
    QTimer::singleShot(0, &window, [this, guard, apply = std::move(apply), press = std::move(press)] {
        if (!guard) return;
        apply();
        QTimer::singleShot(kSettleMs, guard.data(), [this, guard, press] {
            if (!guard) return;
            ShotOfAnswered(*guard);
            press();
        });
    });
}

}  // namespace platform::qt
