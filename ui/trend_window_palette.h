#ifndef TREND_WINDOW_PALETTE_H
#define TREND_WINDOW_PALETTE_H

#include <QColor>

// The colours of the trend chart's 32 channel lines: the first 32 colours of
// Glasbey's categorical palette as published in colorcet ("glasbey_dark",
// glasbey_bw_minc_20_maxl_70, by Peter Kovesi and James A. Bednar, CC BY
// 4.0): each colour chosen as far as possible from all before it, and none
// lighter than 70 % so that every line shows on the white canvas.  Any two
// of them differ by a CIELAB distance above 20, and each stands at least 25
// from white.
//
// Any thread; no state.
class TrendWindowPalette {
public:
    static constexpr int size = 32;

    // The colour of channel 1..32; channel numbers outside wrap around.
    static QColor channelColor(int channel);
};

#endif // TREND_WINDOW_PALETTE_H
