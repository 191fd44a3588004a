// The window of a view: a scroll area whose viewport is painted by the view through a
// QtDC, whose scroll bars follow the view's scroll sizes and position, and whose mouse and
// key input goes to the view and its frame's command keys.
#pragma once

#include <QAbstractScrollArea>

#include <vector>

#include "platform/Command.h"
#include "platform/qt/QtDC.h"

namespace platform {
class View;
}

namespace platform::qt {

class QtUi;

// The layer's key for a Qt key event (code 0 when the key has none).
Key ToKey(int qtKey, Qt::KeyboardModifiers modifiers);
// The Qt key for a layer key code (0 when there is none).
int ToQtKey(int code);

class QtViewWidget : public QAbstractScrollArea {
public:
    QtViewWidget(QtUi& ui, View& view, QWidget* parent);

    View* GetView() const { return view_; }
    // The view is going away: paints and input no longer reach it.
    void Detach() { view_ = nullptr; }
    bool Painting() const { return painting_; }
    // Scroll bars from the view's scroll sizes and position.
    void SyncScrollBars();
    // Texts of the last paint that covered the whole viewport (viewport pixels).
    const std::vector<DrawnText>& DrawnTexts() const { return texts_; }
    // Paints the whole viewport now.
    void RepaintAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    unsigned MouseFlags(const QMouseEvent& event) const;
    void ScrollAction(bool vertical, int action);

    QtUi& ui_;
    View* view_;
    bool painting_ = false;
    int syncing_ = 0;
    std::vector<DrawnText> texts_;
};

}  // namespace platform::qt
