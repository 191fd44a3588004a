#include "platform/qt/QtSystemDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <map>
#include <optional>

#include "platform/Dialog.h"
#include "platform/qt/QtFonts.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"

namespace platform::qt {
namespace {

// Ids of the controls of the headless backend's twins.
constexpr int kIdFileName = 1152;
constexpr int kIdFileType = 1136;
constexpr int kIdFace = 1136;
constexpr int kIdSize = 1138;
constexpr int kIdBold = 1040;
constexpr int kIdItalic = 1041;
constexpr int kPrinterFontDpi = 600;

QMessageBox::StandardButton StandardButton(int id) {
    switch (id) {
    case kIdOk: return QMessageBox::Ok;
    case kIdCancel: return QMessageBox::Cancel;
    case kIdAbort: return QMessageBox::Abort;
    case kIdRetry: return QMessageBox::Retry;
    case kIdIgnore: return QMessageBox::Ignore;
    case kIdYes: return QMessageBox::Yes;
    case kIdNo: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

QMessageBox::Icon BoxIcon(Icon icon) {
    switch (icon) {
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

std::optional<bool> ParseFlag(const std::string& value) {
    std::string v = ControlLabelKey(value);
    if (v == "1" || v == "yes" || v == "on" || v == "true" || v == "checked") return true;
    if (v == "0" || v == "no" || v == "off" || v == "false" || v == "unchecked") return false;
    return std::nullopt;
}

int ScreenDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
}

}  // namespace

int RunQtMessageBox(QtUi& ui, std::string_view text, std::string_view caption, const MessageStyle& style) {
    QMessageBox box(BoxIcon(style.icon), From1252(caption), From1252(text), QMessageBox::NoButton, ui.DialogParent());
    box.setTextFormat(Qt::PlainText);
    std::map<QAbstractButton*, int> ids;
    std::map<int, QPushButton*> buttons;
    for (int id : ButtonIds(style.buttons)) {
        QPushButton* b = box.addButton(StandardButton(id));
        ids[b] = id;
        buttons[id] = b;
    }
    int defaultId = DefaultButtonId(style);
    box.setDefaultButton(buttons[defaultId]);
    if (buttons.count(kIdCancel)) box.setEscapeButton(buttons[kIdCancel]);
    else if (style.buttons == Buttons::Ok) box.setEscapeButton(buttons[kIdOk]);

    ScriptedAnswer answer;
    if (ui.Answers().Take(std::string(caption), {std::string(text)}, answer)) {
        ui.Answers().WhenShown(box, [] {}, [&ui, &box, &buttons, answer, offered = style.buttons, defaultId] {
            if (!box.isVisible()) return;
            int id = AnswerMessageButton(answer, offered);
            if (id == 0) {
                id = defaultId;
                ui.Answers().Report(AnswerWhere(answer) + "no button '" + answer.press + "' in message box; took " +
                                    ButtonName(id));
            }
            buttons[id]->click();
        });
    }
    ui.ExecModal(box);
    auto it = ids.find(box.clickedButton());
    if (it != ids.end()) return it->second;
    return buttons.count(kIdCancel) ? kIdCancel : defaultId;
}

QString QtNameFilter(const FileFilter& filter) {
    QStringList patterns;
    for (const QString& p : From1252(filter.patterns).split(';', Qt::SkipEmptyParts)) {
        QString pattern = p.trimmed();
        if (pattern.isEmpty()) continue;
        patterns << pattern;
        if (pattern.toUpper() != pattern && pattern != "*.*") patterns << pattern.toUpper();
    }
    if (patterns.contains("*.*")) patterns = QStringList{"*"};
    return From1252(filter.description) + " (" + patterns.join(' ') + ")";
}

bool RunQtFileDialog(QtUi& ui, FileDialogRequest& request) {
    QString caption = From1252(!request.title.empty() ? request.title : request.save ? "Save As" : "Open");
    QString dir = request.initialDir.empty() ? QDir::currentPath() : FromPath(request.initialDir);
    QFileDialog dialog(ui.DialogParent(), caption, dir);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // asked below, as in every backend
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const FileFilter& f : request.filters) filters << QtNameFilter(f);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size())) - 1;
        dialog.selectNameFilter(filters[index]);
    }
    if (!request.fileName.empty()) dialog.selectFile(FromPath(request.fileName));

    std::vector<std::string> texts = {"File name", "Files of type"};
    for (const FileFilter& f : request.filters) texts.push_back(f.description);
    for (;;) {
        ScriptedAnswer answer;
        if (ui.Answers().Take(To1252(caption), texts, answer)) {
            ui.Answers().WhenShown(
                dialog,
                [&] {
                    auto values = ui.Answers().ValuesFor(
                        answer, {{"File name", kIdFileName}, {"Files of type", kIdFileType}}, To1252(caption));
                    if (values.count(kIdFileType)) {
                        bool found = false;
                        for (std::size_t i = 0; i < request.filters.size() && !found; ++i) {
                            if (ControlLabelKey(request.filters[i].description) ==
                                ControlLabelKey(values[kIdFileType])) {
                                dialog.selectNameFilter(filters[static_cast<qsizetype>(i)]);
                                found = true;
                            }
                        }
                        if (!found) ui.Answers().Report(AnswerWhere(answer) + "no file type '" + values[kIdFileType] + "'");
                    }
                    if (values.count(kIdFileName)) dialog.selectFile(FromPath(values[kIdFileName]));
                },
                [&] {
                    if (!dialog.isVisible()) return;
                    int id = ButtonIdFromName(answer.press);
                    std::string key = ControlLabelKey(answer.press);
                    QDialog& base = dialog;  // accept() is protected in the file dialog
                    if (id == kIdOk || key == "open" || key == "save") base.accept();
                    else base.reject();
                });
        }
        if (ui.ExecModal(dialog) != QDialog::Accepted) return false;
        QStringList chosen = dialog.selectedFiles();
        std::string path;
        if (chosen.isEmpty() || !AcceptChosenFile(request, ToPath(chosen.front()), path)) continue;
        request.fileName = path;
        qsizetype type = filters.indexOf(dialog.selectedNameFilter());
        if (type >= 0) request.filterIndex = static_cast<int>(type) + 1;
        return true;
    }
}

bool RunQtFontDialog(QtUi& ui, FontDialogRequest& request) {
    int dpi = request.screenFonts ? ScreenDpi() : kPrinterFontDpi;
    // The dialog lists the styles a face has: regular or bold.
    auto shownFont = [dpi](const Font& f) {
        QFont q = ToQFont(f);
        q.setWeight(f.weight > 500 ? QFont::Bold : QFont::Normal);
        q.setPointSizeF(HeightToPoints(q.pixelSize(), dpi));
        return q;
    };
    QFont initial = shownFont(request.font);
    QFontDialog dialog(initial, ui.DialogParent());
    dialog.setWindowTitle("Font");
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (request.fixedPitchOnly) dialog.setOption(QFontDialog::MonospacedFonts);

    ScriptedAnswer answer;
    std::optional<Font> scriptedFont;
    if (ui.Answers().Take("Font", {"Font", "Size", "Bold", "Italic"}, answer)) {
        // The answer changes the font as the headless twin does; the dialog shows the result.
        Font f = request.font;
        auto values = ui.Answers().ValuesFor(
            answer, {{"Font", kIdFace}, {"Size", kIdSize}, {"Bold", kIdBold}, {"Italic", kIdItalic}}, "Font");
        bool valid = true;
        if (values.count(kIdFace)) f.face = values[kIdFace];
        if (values.count(kIdSize)) {
            int size = std::atoi(values[kIdSize].c_str());
            if (size < 1 || size > 1000) valid = false;
            else f.height = f.height < 0 ? -size : size;
        }
        if (values.count(kIdBold)) {
            bool bold = ParseFlag(values[kIdBold]).value_or(f.weight > kWeightNormal);
            if (bold && f.weight <= kWeightNormal) f.weight = kWeightBold;
            if (!bold && f.weight > kWeightNormal) f.weight = kWeightNormal;
        }
        if (values.count(kIdItalic)) f.italic = ParseFlag(values[kIdItalic]).value_or(f.italic);
        if (request.fixedPitchOnly) f.pitch = Pitch::Fixed;
        if (f.face.empty() || !valid) ui.Answers().Report(AnswerWhere(answer) + "font answer refused: face or size");
        else scriptedFont = f;
        dialog.setCurrentFont(shownFont(scriptedFont.value_or(request.font)));
        ui.Answers().WhenShown(dialog, [] {}, [&dialog, &answer, &scriptedFont] {
            if (!dialog.isVisible()) return;
            int id = ButtonIdFromName(answer.press);
            QDialog& base = dialog;  // done() is protected in the font dialog
            base.done(id == kIdOk && scriptedFont ? QDialog::Accepted : QDialog::Rejected);
        });
    }
    if (ui.ExecModal(dialog) != QDialog::Accepted) return false;
    if (scriptedFont) {
        request.font = *scriptedFont;
        return true;
    }
    QFont chosen = dialog.selectedFont();
    Font& f = request.font;
    f.face = To1252(chosen.family());
    double points = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : HeightToPoints(chosen.pixelSize(), dpi);
    f.height = PointsToHeight(points, dpi, true);  // a character height, as font dialogs give
    f.weight = chosen.weight() > QFont::Medium ? std::max(static_cast<int>(chosen.weight()), kWeightBold)
                                               : std::min(f.weight > 0 ? f.weight : kWeightNormal, 500);
    f.italic = chosen.italic();
    f.underline = chosen.underline();
    if (request.fixedPitchOnly || QFontInfo(chosen).fixedPitch()) f.pitch = Pitch::Fixed;
    return true;
}

}  // namespace platform::qt
