#pragma once

#include <QHash>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// Layout helpers of the mail window. They work on rectangles in twips and only move and size
// them; the window applies the results to its controls.
namespace MailLayout {

// Stacks the rectangles top to bottom in the given order, `gap` apart, and centres the stack
// in `innerHeight`. With alignLeft every rectangle takes the first one's left edge.
QList<QRect> centerControlsVertical(int innerHeight, int gap, bool alignLeft, QList<QRect> rects);

// Places the rectangles side by side, `gap` apart, and centres the row in `innerWidth`. With
// alignTop every rectangle takes the first one's top edge.
QList<QRect> centerControlsHorizontal(int innerWidth, int gap, bool alignTop, QList<QRect> rects);

// Gives each rectangle the top edge of `base`, and its height too when sameHeight is set.
QList<QRect> alignControlsTop(bool sameHeight, const QRect& base, QList<QRect> rects);

// Gives each rectangle the left edge of `base`, and its width too when sameWidth is set.
QList<QRect> alignControlsLeft(bool sameWidth, const QRect& base, QList<QRect> rects);

// Centres `control` vertically on `relativeTo`.
QRect centerControlRelativeVertical(QRect control, const QRect& relativeTo);

// The mail window's arrangement: takes every control's rectangle by name (only the sizes
// matter for most) and the window's inner size, and returns them placed. Names not in the
// arrangement are returned unchanged.
using Rects = QHash<QString, QRect>;
Rects arrangeMailWindow(Rects rects, QSize inner);

} // namespace MailLayout
