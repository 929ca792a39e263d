#include "trend_window_palette.h"

namespace {

// clang-format off
const QRgb glasbeyDark[TrendWindowPalette::size] = {
    0xd70000, 0x8c3cff, 0x028800, 0x00acc7, 0xe7a500, 0xff7fd1, 0x6c004f, 0x583b00,
    0x005759, 0x15e18d, 0x0000dd, 0xa2766a, 0xbcb7ff, 0xc004b9, 0x645473, 0x790000,
    0x0774d8, 0x739b7d, 0xff7852, 0x004b00, 0x8f7b01, 0xf3007b, 0x8fba00, 0xa67bb8,
    0x5a02a3, 0xe3afaf, 0xa03a52, 0xa2c8c8, 0x9e4b00, 0x546745, 0xbbc389, 0x5f7b88,
};
// clang-format on

} // namespace

QColor TrendWindowPalette::channelColor(int channel) {
    const int index = ((channel - 1) % size + size) % size;
    return QColor(glasbeyDark[index]);
}
