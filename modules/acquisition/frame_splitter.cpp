#include "frame_splitter.h"

#include <array>

namespace {

constexpr std::size_t maxChannels = 32;

} // namespace

void splitFrame(const double* frame, std::size_t count, const std::vector<RunChannel>& channels,
                std::vector<ChannelData>& out) {
    const std::size_t m = channels.size();
    out.resize(m);
    if (m == 0)
        return;
    const std::size_t rows = count / m;
    const std::size_t tail = count % m;
    // Pointers and limits per channel, so the pass over the frame touches
    // nothing else; on the stack, since this runs for every frame (a run
    // has at most 32 logical channels).
    if (m > maxChannels) {
        for (ChannelData& channel : out)
            channel.samples.clear(); // no such run: the configuration refuses it
        return;
    }
    std::array<double*, maxChannels> to{};
    std::array<double, maxChannels> high{}, low{};
    std::array<char, maxChannels> clipped{};
    for (std::size_t i = 0; i < m; ++i) {
        out[i].samples.resize(rows + (i < tail ? 1 : 0));
        to[i] = out[i].samples.data();
        // The ends of the converter's scale, within half an LSB: the input clips.
        const double fullScale = channels[i].fullScale;
        const double lsb = channels[i].lsb();
        high[i] = fullScale * 32767 / 32768 - lsb / 2;
        low[i] = -fullScale + lsb / 2;
    }
    const double* v = frame;
    for (std::size_t r = 0; r < rows; ++r, v += m) {
        for (std::size_t i = 0; i < m; ++i) {
            const double x = v[i];
            to[i][r] = x;
            clipped[i] |= char((x >= high[i]) | (x <= low[i]));
        }
    }
    for (std::size_t i = 0; i < tail; ++i) {
        to[i][rows] = v[i];
        clipped[i] |= char((v[i] >= high[i]) | (v[i] <= low[i]));
    }
    for (std::size_t i = 0; i < m; ++i)
        out[i].overload = out[i].overload || clipped[i] != 0;
}
