#include "sample_queues.h"

#include <algorithm>
#include <iterator>

SampleQueues::SampleQueues(int count, std::size_t frameSamples, std::size_t maxFrames)
    : channels(std::size_t(std::max(count, 0))), frameSamples(std::max<std::size_t>(frameSamples, 1)),
      keepSamples(this->frameSamples * std::max<std::size_t>(maxFrames, 1)) {}

void SampleQueues::append(std::vector<ChannelData>& frame) {
    std::lock_guard<std::mutex> lock(dataMutex);
    const std::size_t n = std::min(frame.size(), channels.size());
    for (std::size_t i = 0; i < n; ++i) {
        ChannelData& queue = channels[i];
        ChannelData& in = frame[i];
        queue.overload = queue.overload || in.overload;
        in.overload = false;
        if (queue.samples.empty()) {
            queue.samples.swap(in.samples);
        } else {
            queue.samples.insert(queue.samples.end(), in.samples.begin(), in.samples.end());
            if (queue.samples.size() > keepSamples) {
                // The display pass has fallen behind: drop whole oldest
                // frames, so what is kept stays one contiguous stretch.
                const std::size_t excess = queue.samples.size() - keepSamples;
                const std::size_t drop = (excess + frameSamples - 1) / frameSamples * frameSamples;
                queue.samples.erase(queue.samples.begin(),
                                    queue.samples.begin() +
                                        std::ptrdiff_t(std::min(drop, queue.samples.size())));
            }
        }
        in.samples.clear();
    }
}

void SampleQueues::take(std::vector<ChannelData>& into) {
    for (ChannelData& block : into) {
        block.samples.clear();
        block.overload = false;
    }
    into.resize(channels.size());
    std::lock_guard<std::mutex> lock(dataMutex);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        into[i].samples.swap(channels[i].samples);
        std::swap(into[i].overload, channels[i].overload);
    }
}

std::vector<double> SampleQueues::queued(int channel) const {
    std::lock_guard<std::mutex> lock(dataMutex);
    if (channel < 0 || std::size_t(channel) >= channels.size())
        return {};
    return channels[std::size_t(channel)].samples;
}
