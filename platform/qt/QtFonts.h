// Fonts of the programs as widget fonts: the faces the programs name are mapped to installed
// metric-compatible faces, and heights in logical units become pixel sizes of the device.
#pragma once

#include <QFont>
#include <QString>

#include "platform/DeviceContext.h"

namespace platform::qt {

// The installed face used for a face the programs name ("Courier New" -> "Liberation Mono").
QString InstalledFace(const Font& font);

// A widget font for the description. Height > 0 is the cell height (ascent + descent),
// < 0 the character height, 0 the default (16); all in device pixels.
QFont ToQFont(const Font& font);

// The metrics of the description in pixels of the device (null: the screen).
TextMetrics MeasureFont(const Font& font, QPaintDevice* device = nullptr);

// Sizes in the font dialog are points: |height| in logical units at dpi <-> points.
double HeightToPoints(int height, int dpi);
int PointsToHeight(double points, int dpi, bool characterHeight);

}  // namespace platform::qt
