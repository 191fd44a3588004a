#include "platform/ScrollView.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/DeviceContext.h"

namespace platform {

void ScrollView::SetScrollSizes(MapMode mode, Size total, Size page, Size line) {
    mode_ = mode;
    total_ = {std::max(0, total.cx), std::max(0, total.cy)};
    page_ = page;
    if (page_.cx <= 0) page_.cx = total_.cx / 10;
    if (page_.cy <= 0) page_.cy = total_.cy / 10;
    line_ = line;
    if (line_.cx <= 0) line_.cx = page_.cx / 10;
    if (line_.cy <= 0) line_.cy = page_.cy / 10;
    // The origin stays within any range (a list growing while it loads is at its top).
    if (position_.x != 0 || position_.y != 0) {
        Point clamped = Clamp(position_);
        if (!(clamped == position_)) {
            position_ = clamped;
            Invalidate();
        }
    }
    if (App* app = App::Current()) app->GetUi().ViewScrolled(*this);
}

Point ScrollView::Clamp(Point p) const {
    Rect client = ClientRect();
    int maxX = std::max(0, total_.cx - client.Width());
    int maxY = std::max(0, total_.cy - client.Height());
    return {std::clamp(p.x, 0, maxX), std::clamp(p.y, 0, maxY)};
}

void ScrollView::ScrollToPosition(Point position) {
    Point p = Clamp(position);
    if (p == position_) return;
    position_ = p;
    Invalidate();
    if (App* app = App::Current()) app->GetUi().ViewScrolled(*this);
}

void ScrollView::ScrollByLines(int dy) {
    ScrollToPosition({position_.x, position_.y + dy * std::max(1, line_.cy)});
}

void ScrollView::ScrollByPages(int dy) {
    ScrollToPosition({position_.x, position_.y + dy * std::max(1, page_.cy)});
}

void ScrollView::OnPrepareDC(DeviceContext& dc, const PrintInfo* info) {
    if (!info && !dc.IsPrinting()) dc.SetViewportOrigin({-position_.x, -position_.y});
}

void ScrollView::OnSize(int, int) {
    Point p = Clamp(position_);
    if (!(p == position_)) {
        position_ = p;
        Invalidate();
    }
}

}  // namespace platform
