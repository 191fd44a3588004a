#include "platform/qt/QtViewWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

#include "platform/Frame.h"
#include "platform/ScrollView.h"
#include "platform/View.h"
#include "platform/qt/QtUi.h"

namespace platform::qt {
namespace {

const struct {
    int qt;
    int code;
} kKeys[] = {
    {Qt::Key_Backspace, kKeyBackspace}, {Qt::Key_Tab, kKeyTab},         {Qt::Key_Return, kKeyReturn},
    {Qt::Key_Enter, kKeyReturn},        {Qt::Key_Escape, kKeyEscape},   {Qt::Key_Space, kKeySpace},
    {Qt::Key_PageUp, kKeyPageUp},       {Qt::Key_PageDown, kKeyPageDown}, {Qt::Key_End, kKeyEnd},
    {Qt::Key_Home, kKeyHome},           {Qt::Key_Left, kKeyLeft},       {Qt::Key_Up, kKeyUp},
    {Qt::Key_Right, kKeyRight},         {Qt::Key_Down, kKeyDown},       {Qt::Key_Insert, kKeyInsert},
    {Qt::Key_Delete, kKeyDelete},
};

}  // namespace

Key ToKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    Key key;
    key.ctrl = modifiers & Qt::ControlModifier;
    key.shift = modifiers & Qt::ShiftModifier;
    key.alt = modifiers & Qt::AltModifier;
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        key.code = qtKey;  // the same ASCII codes
    } else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
        key.code = kKeyF1 + (qtKey - Qt::Key_F1);
    } else {
        for (const auto& k : kKeys) {
            if (k.qt == qtKey) key.code = k.code;
        }
    }
    return key;
}

int ToQtKey(int code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return code;
    if (code >= kKeyF1 && code < kKeyF1 + 12) return Qt::Key_F1 + (code - kKeyF1);
    for (const auto& k : kKeys) {
        if (k.code == code) return k.qt;
    }
    return 0;
}

QtViewWidget::QtViewWidget(QtUi& ui, View& view, QWidget* parent)
    : QAbstractScrollArea(parent), ui_(ui), view_(&view) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    bool scrolls = dynamic_cast<ScrollView*>(&view) != nullptr;
    setHorizontalScrollBarPolicy(scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { ScrollAction(false, action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { ScrollAction(true, action); });
}

void QtViewWidget::SyncScrollBars() {
    auto* sv = dynamic_cast<ScrollView*>(view_);
    if (!sv) return;
    ++syncing_;
    QSize client = viewport()->size();
    Size total = sv->TotalSize();
    Point pos = sv->ScrollPosition();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, total.cx - client.width()));
    h->setPageStep(std::max(1, client.width()));
    h->setSingleStep(std::max(1, sv->LineSize().cx));
    h->setValue(pos.x);
    v->setRange(0, std::max(0, total.cy - client.height()));
    v->setPageStep(std::max(1, client.height()));
    v->setSingleStep(std::max(1, sv->LineSize().cy));
    v->setValue(pos.y);
    --syncing_;
}

void QtViewWidget::ScrollAction(bool vertical, int action) {
    // Page and line steps are the view's own, as the view set them.
    auto* sv = dynamic_cast<ScrollView*>(view_);
    if (!sv) return;
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    int page = vertical ? sv->PageSize().cy : sv->PageSize().cx;
    int line = vertical ? sv->LineSize().cy : sv->LineSize().cx;
    int step = 0;
    switch (action) {
    case QAbstractSlider::SliderPageStepAdd: step = page; break;
    case QAbstractSlider::SliderPageStepSub: step = -page; break;
    case QAbstractSlider::SliderSingleStepAdd: step = line; break;
    case QAbstractSlider::SliderSingleStepSub: step = -line; break;
    default: return;
    }
    if (step != 0) bar->setSliderPosition(bar->value() + step);
}

void QtViewWidget::scrollContentsBy(int, int) {
    auto* sv = dynamic_cast<ScrollView*>(view_);
    if (syncing_ > 0 || !sv) return;
    sv->ScrollToPosition({horizontalScrollBar()->value(), verticalScrollBar()->value()});
    SyncScrollBars();  // the view may have clamped the position
    ui_.NoteActivity();
}

void QtViewWidget::RepaintAll() {
    if (view_) view_->Invalidate();
    viewport()->grab();  // paints the whole viewport now, shown on screen or not
    viewport()->update();
}

void QtViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QRect area = event->rect();
    painter.fillRect(area, ThemeColor(palette(), SystemColor::Window));
    if (!view_) return;
    QScreen* screen = this->screen();
    QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    int dpi = screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
    QtDC dc(viewport(), &painter, false, screenSize, dpi);
    dc.SetPaintRect(area);
    std::vector<DrawnText> texts;
    dc.LogTexts(&texts);
    painting_ = true;
    view_->Paint(dc);
    painting_ = false;
    if (area.contains(viewport()->rect())) texts_ = std::move(texts);
}

void QtViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!view_) return;
    view_->OnSize(viewport()->width(), viewport()->height());
    SyncScrollBars();
    viewport()->update();
}

unsigned QtViewWidget::MouseFlags(const QMouseEvent& event) const {
    unsigned flags = 0;
    if (event.buttons() & Qt::LeftButton) flags |= kMouseLeft;
    if (event.buttons() & Qt::RightButton) flags |= kMouseRight;
    if (event.buttons() & Qt::MiddleButton) flags |= kMouseMiddle;
    if (event.modifiers() & Qt::ShiftModifier) flags |= kMouseShift;
    if (event.modifiers() & Qt::ControlModifier) flags |= kMouseCtrl;
    return flags;
}

void QtViewWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (view_ && event->button() == Qt::LeftButton) {
        view_->OnLButtonDown(MouseFlags(*event), {event->position().toPoint().x(), event->position().toPoint().y()});
        ui_.NoteActivity();
    }
}

void QtViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (view_ && event->button() == Qt::LeftButton) {
        view_->OnLButtonUp(MouseFlags(*event), {event->position().toPoint().x(), event->position().toPoint().y()});
        ui_.NoteActivity();
    }
}

void QtViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (view_ && event->button() == Qt::LeftButton) {
        view_->OnLButtonDblClk(MouseFlags(*event), {event->position().toPoint().x(), event->position().toPoint().y()});
        ui_.NoteActivity();
    }
}

void QtViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!view_) return;
    view_->OnMouseMove(MouseFlags(*event), {event->position().toPoint().x(), event->position().toPoint().y()});
    if (event->buttons() != Qt::NoButton) ui_.NoteActivity();
}

void QtViewWidget::keyPressEvent(QKeyEvent* event) {
    Key key = ToKey(event->key(), event->modifiers());
    if (view_ && key.code != 0) {
        Frame* frame = view_->GetFrame();
        bool used = frame ? frame->HandleKey(key) : view_->OnKeyDown(key);
        ui_.NoteActivity();
        if (used) return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void QtViewWidget::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (view_ && view_->GetFrame()) view_->GetFrame()->SetActiveView(view_);
}

}  // namespace platform::qt
