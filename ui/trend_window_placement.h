#ifndef TREND_WINDOW_PLACEMENT_H
#define TREND_WINDOW_PLACEMENT_H

#include <QRect>
#include <QSize>

// Where the trend window opens, so that it does not hide the readings it
// charts: beside the main window, on its right if the screen has room for
// the window's minimum width there, else on its left; on a screen too narrow
// for either, over the main window's right half, leaving the left half (the
// channel fields) in view.  The window keeps its wanted size where the room
// allows, never less than its minimum, and stays on the screen; its top is
// level with the main window's.
//
// A pure function of rectangles, so that it is the same with or without a
// window manager (without one, a new window would open at 0,0).
//
// Any thread; no state.
class TrendWindowPlacement {
public:
    // `mainFrame`: the main window's frame; `wanted` and `minimum`: the
    // trend window's sizes, frame included; `available`: the screen's
    // available area.  Returns the trend window's frame.
    static QRect place(const QRect& mainFrame, const QSize& wanted, const QSize& minimum,
                       const QRect& available);
};

#endif // TREND_WINDOW_PLACEMENT_H
