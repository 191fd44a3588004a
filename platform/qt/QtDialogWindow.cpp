#include "platform/qt/QtDialogWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

constexpr int kWrapWidth = 420;  // texts wider than this wrap
constexpr int kMinWidth = 300;   // no dialog narrower

bool IsField(ControlKind k) {
    return k == ControlKind::Edit || k == ControlKind::NumberEdit || k == ControlKind::DropDown ||
           k == ControlKind::DropList || k == ControlKind::ListBox;
}

bool SameItems(const QComboBox* combo, const std::vector<std::string>& items) {
    if (combo->count() != static_cast<int>(items.size())) return false;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) != From1252(items[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

bool SameItems(const QListWidget* list, const std::vector<std::string>& items) {
    if (list->count() != static_cast<int>(items.size())) return false;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() != From1252(items[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

QStringList ToList(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& s : items) list << From1252(s);
    return list;
}

void SetStaticText(QLabel* label, const QString& text) {
    if (label->text() == text) return;
    label->setText(text);
    bool wide = label->fontMetrics().horizontalAdvance(text) > kWrapWidth || text.contains('\n');
    label->setWordWrap(wide);
    label->setMinimumWidth(wide ? kWrapWidth : 0);
}

}  // namespace

bool IsClosingButton(int id) { return id >= kIdOk && id <= kIdNo; }

QtDialogWindow::QtDialogWindow(Dialog& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    Build();
    SyncFromState();
}

QWidget* QtDialogWindow::MakeWidget(ControlState& c) {
    const int id = c.decl.id;
    QString label = From1252(c.decl.label);
    switch (c.decl.kind) {
    case ControlKind::Edit:
    case ControlKind::NumberEdit: {
        auto* edit = new QLineEdit(this);
        int chars = c.decl.limit > 0 ? std::clamp(c.decl.limit, 8, 40) : 32;
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance('x') * chars + 16);
        if (c.decl.limit > 0) edit->setMaxLength(c.decl.limit);
        if (c.decl.kind == ControlKind::NumberEdit) {
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]*"), edit));
        }
        connect(edit, &QLineEdit::textEdited, this, [this, &c](const QString& text) {
            if (syncing_) return;
            std::string why;
            dialog_.UserSetValue(c, To1252(text), why);
            AfterUserAction();
        });
        return edit;
    }
    case ControlKind::Check:
    case ControlKind::Radio: {
        QAbstractButton* button;
        if (c.decl.kind == ControlKind::Check) {
            button = new QCheckBox(label, this);
        } else {
            auto* radio = new QRadioButton(label, this);
            radio->setAutoExclusive(false);  // the dialog keeps its groups
            button = radio;
        }
        connect(button, &QAbstractButton::clicked, this, [this, &c](bool on) {
            if (syncing_) return;
            std::string why;
            dialog_.UserSetValue(c, c.decl.kind == ControlKind::Radio || on ? "1" : "0", why);
            AfterUserAction();
        });
        return button;
    }
    case ControlKind::DropDown:
    case ControlKind::DropList: {
        auto* combo = new QComboBox(this);
        combo->setEditable(c.decl.kind == ControlKind::DropDown);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(16);
        connect(combo, &QComboBox::activated, this, [this, &c, id](int index) {
            if (syncing_ || index < 0 || index >= static_cast<int>(c.items.size())) return;
            c.selection = index;
            c.text = c.items[static_cast<std::size_t>(index)];
            dialog_.SetFocus(id);
            dialog_.OnSelChange(id);
            AfterUserAction();
        });
        if (combo->isEditable()) {
            if (c.decl.limit > 0) combo->lineEdit()->setMaxLength(c.decl.limit);
            connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, &c, id](const QString& text) {
                if (syncing_) return;
                c.text = To1252(text);
                auto it = std::find(c.items.begin(), c.items.end(), c.text);
                c.selection = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
                dialog_.SetFocus(id);
                dialog_.OnEditChange(id);
                AfterUserAction();
            });
        }
        return combo;
    }
    case ControlKind::ListBox: {
        auto* list = new QListWidget(this);
        list->setMinimumWidth(list->fontMetrics().horizontalAdvance('x') * 32);
        list->setMaximumHeight(list->fontMetrics().height() * 8 + 8);
        connect(list, &QListWidget::currentRowChanged, this, [this, &c, id](int row) {
            if (syncing_) return;
            c.selection = row;
            dialog_.SetFocus(id);
            dialog_.OnSelChange(id);
            AfterUserAction();
        });
        return list;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(label, this);
        button->setDefault(c.decl.defaultButton);
        button->setAutoDefault(c.decl.defaultButton);
        if (IsClosingButton(id)) button->setMinimumWidth(button->fontMetrics().horizontalAdvance("Cancel") + 40);
        connect(button, &QPushButton::clicked, this, [this, id] { Pressed(id); });
        return button;
    }
    case ControlKind::Static: {
        auto* text = new QLabel(this);
        text->setTextFormat(Qt::PlainText);
        return text;
    }
    }
    return nullptr;
}

void QtDialogWindow::Build() {
    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    outer->setContentsMargins(14, 14, 14, 12);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);
    auto* closing = new QHBoxLayout;
    closing->addStretch(1);

    std::vector<ControlState>& controls = dialog_.Controls();
    auto isSideButton = [&](std::size_t i) {
        return i < controls.size() && controls[i].decl.kind == ControlKind::Button &&
               !IsClosingButton(controls[i].decl.id);
    };
    int row = 0;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        ControlState& c = controls[i];
        QWidget* widget = MakeWidget(c);
        QLabel* label = nullptr;
        ControlKind kind = c.decl.kind;
        if (IsField(kind)) {
            if (!c.decl.label.empty()) {
                QString text = From1252(c.decl.label);
                if (!text.endsWith(':')) text += ':';
                label = new QLabel(text, this);
                label->setBuddy(widget);
                grid->addWidget(label, row, 0, kind == ControlKind::ListBox ? Qt::AlignTop : Qt::AlignVCenter);
                grid->addWidget(widget, row, 1);
            } else {
                grid->addWidget(widget, row, 0, 1, 2);
            }
            entries_.push_back({&c, widget, label});
            if (isSideButton(i + 1)) {
                ControlState& b = controls[++i];
                QWidget* button = MakeWidget(b);
                grid->addWidget(button, row, 2);
                entries_.push_back({&b, button, nullptr});
            }
            ++row;
            continue;
        }
        entries_.push_back({&c, widget, nullptr});
        if (kind == ControlKind::Check || kind == ControlKind::Radio) {
            grid->addWidget(widget, row++, 1, 1, 2);
        } else if (kind == ControlKind::Static) {
            grid->addWidget(widget, row++, 0, 1, 3);
        } else if (IsClosingButton(c.decl.id)) {
            closing->addWidget(widget);
        } else {
            // A row of further buttons under the fields.
            auto* buttons = new QHBoxLayout;
            buttons->addWidget(widget);
            while (isSideButton(i + 1)) {
                ControlState& b = controls[++i];
                QWidget* next = MakeWidget(b);
                buttons->addWidget(next);
                entries_.push_back({&b, next, nullptr});
            }
            buttons->addStretch(1);
            grid->addLayout(buttons, row++, 1, 1, 2);
        }
    }
    outer->addSpacing(4);
    outer->addLayout(closing);
    outer->addSpacerItem(new QSpacerItem(kMinWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
}

QtDialogWindow::Entry* QtDialogWindow::Find(int id) {
    for (Entry& e : entries_) {
        if (e.control->decl.id == id) return &e;
    }
    return nullptr;
}

QWidget* QtDialogWindow::Widget(int id) const {
    for (const Entry& e : entries_) {
        if (e.control->decl.id == id) return e.widget;
    }
    return nullptr;
}

void QtDialogWindow::SyncFromState() {
    syncing_ = true;
    QString caption = From1252(dialog_.Caption());
    if (windowTitle() != caption) setWindowTitle(caption);
    for (Entry& e : entries_) {
        const ControlState& c = *e.control;
        QWidget* w = e.widget;
        if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
        if (e.label && e.label->isEnabled() != c.enabled) e.label->setEnabled(c.enabled);
        if (w->isHidden() == c.visible) {
            w->setHidden(!c.visible);
            if (e.label) e.label->setHidden(!c.visible);
        }
        QString text = From1252(c.text);
        switch (c.decl.kind) {
        case ControlKind::Edit:
        case ControlKind::NumberEdit: {
            auto* edit = static_cast<QLineEdit*>(w);
            if (edit->text() != text) edit->setText(text);
            break;
        }
        case ControlKind::Check:
        case ControlKind::Radio: {
            auto* button = static_cast<QAbstractButton*>(w);
            if (button->isChecked() != c.checked) button->setChecked(c.checked);
            if (button->text() != text) button->setText(text);
            break;
        }
        case ControlKind::DropDown:
        case ControlKind::DropList: {
            auto* combo = static_cast<QComboBox*>(w);
            if (!SameItems(combo, c.items)) {
                combo->clear();
                combo->addItems(ToList(c.items));
            }
            if (combo->currentIndex() != c.selection) combo->setCurrentIndex(c.selection);
            if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
            break;
        }
        case ControlKind::ListBox: {
            auto* list = static_cast<QListWidget*>(w);
            if (!SameItems(list, c.items)) {
                list->clear();
                list->addItems(ToList(c.items));
            }
            if (list->currentRow() != c.selection) list->setCurrentRow(c.selection);
            break;
        }
        case ControlKind::Button: {
            auto* button = static_cast<QPushButton*>(w);
            if (button->text() != text) button->setText(text);
            break;
        }
        case ControlKind::Static:
            SetStaticText(static_cast<QLabel*>(w), text);
            break;
        }
    }
    if (dialog_.Focus() != 0 && dialog_.Focus() != lastFocus_) {
        lastFocus_ = dialog_.Focus();
        if (QWidget* w = Widget(lastFocus_)) w->setFocus(Qt::OtherFocusReason);
    }
    syncing_ = false;
}

void QtDialogWindow::AfterUserAction() {
    if (dialog_.HasEnded()) {
        done(dialog_.Result());
        return;
    }
    SyncFromState();
}

void QtDialogWindow::Pressed(int id) {
    if (syncing_) return;
    dialog_.UserPress(id);
    AfterUserAction();
}

bool QtDialogWindow::Press(int id) {
    Entry* e = Find(id);
    if (!e) {
        if (id != kIdOk && id != kIdCancel) return false;
        Pressed(id);
        return true;
    }
    auto* button = qobject_cast<QAbstractButton*>(e->widget);
    if (!button || e->control->decl.kind != ControlKind::Button || !button->isEnabled() || button->isHidden()) {
        return false;
    }
    button->click();
    return true;
}

void QtDialogWindow::reject() {
    dialog_.OnCancel();
    AfterUserAction();
}

}  // namespace platform::qt
