#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cerrno>

#include "platform/qt/QtText.h"

namespace platform::qt {

bool QtClipboard::Open() {
    if (open_ || !QGuiApplication::clipboard()) {
        lastError_ = EBUSY;
        return false;
    }
    open_ = true;
    lastError_ = 0;
    return true;
}

bool QtClipboard::Empty() {
    if (!open_) {
        lastError_ = EBADF;
        return false;
    }
    QGuiApplication::clipboard()->clear();
    return true;
}

bool QtClipboard::SetText(const std::string& text) {
    if (!open_) {
        lastError_ = EBADF;
        return false;
    }
    QGuiApplication::clipboard()->setText(From1252(text));
    return true;
}

std::optional<std::string> QtClipboard::GetText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return To1252(data->text());
}

}  // namespace platform::qt
