// A view over a logical area larger than its window, with scroll position.
#pragma once

#include "platform/View.h"

namespace platform {

// Mapping modes: Text is one logical unit per device unit, y downwards.
enum class MapMode { Text };

class ScrollView : public View {
public:
    // Total logical size; page and line sizes are the scroll steps (0: a tenth
    // of the total for a page and a tenth of a page for a line). The position
    // is clamped to the new range.
    void SetScrollSizes(MapMode mode, Size total, Size page = {}, Size line = {});
    Size TotalSize() const { return total_; }
    Size PageSize() const { return page_; }
    Size LineSize() const { return line_; }
    MapMode GetMapMode() const { return mode_; }

    // Logical position of the top-left corner of the window.
    Point ScrollPosition() const { return position_; }
    // Scrolls to a logical position, clamped to 0 .. total - client size,
    // and repaints when it moved.
    void ScrollToPosition(Point position);
    // Scroll by lines or pages as the scroll bars do.
    void ScrollByLines(int dy);
    void ScrollByPages(int dy);

    // Origin moves by -ScrollPosition() on the screen; printing is left alone.
    void OnPrepareDC(DeviceContext& dc, const PrintInfo* info) override;
    // Re-clamps the position when the window size changes.
    void OnSize(int cx, int cy) override;

    // Device point of the window to logical point of the document.
    Point ClientToLogical(Point p) const { return {p.x + position_.x, p.y + position_.y}; }

private:
    Point Clamp(Point p) const;
    MapMode mode_ = MapMode::Text;
    Size total_{0, 0};
    Size page_{0, 0};
    Size line_{0, 0};
    Point position_{0, 0};
};

}  // namespace platform
