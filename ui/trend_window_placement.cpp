#include "trend_window_placement.h"

#include <algorithm>

QRect TrendWindowPlacement::place(const QRect& mainFrame, const QSize& wanted, const QSize& minimum,
                                  const QRect& available) {
    const int minWidth = std::min(minimum.width(), available.width());
    int width = std::min(std::max(wanted.width(), minWidth), available.width());
    const int height = std::min(std::max(wanted.height(), minimum.height()), available.height());
    // Pixels free on either side of the main window, within the screen.
    const int roomRight = available.right() - mainFrame.right();
    const int roomLeft = mainFrame.left() - available.left();
    int x = 0;
    if (roomRight >= minWidth) {
        width = std::min(width, roomRight);
        x = mainFrame.right() + 1;
    } else if (roomLeft >= minWidth) {
        width = std::min(width, roomLeft);
        x = mainFrame.left() - width;
    } else {
        const int middle = mainFrame.left() + mainFrame.width() / 2;
        // From the middle to the screen's edge, or wider (to the left) when
        // that is narrower than the window's minimum.
        width = std::max(minWidth, std::min(width, available.right() + 1 - middle));
        x = std::max(available.left(), std::min(middle, available.right() + 1 - width));
    }
    const int y = std::max(available.top(), std::min(mainFrame.top(), available.bottom() + 1 - height));
    return QRect(x, y, width, height);
}
