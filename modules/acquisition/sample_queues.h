#ifndef SAMPLE_QUEUES_H
#define SAMPLE_QUEUES_H

#include <cstddef>
#include <mutex>
#include <vector>

#include "channel_data.h"

// The samples one run has received and no display pass has taken yet, one
// contiguous buffer per logical channel.  Made per run and shared by that
// run's receive loop (append, its receive thread) and the display pass (take,
// threadModule).  dataMutex is held only to swap or append whole buffers,
// never while converting, analysing or formatting, and no other lock is
// taken under it.  Buffers travel round between the three parties, so a
// steady run allocates nothing.  A std::mutex, not a QMutex: ThreadSanitizer
// sees its locking, and not that of Qt, which is not built for it.
class SampleQueues {
public:
    // `channels` logical channels; a queue keeps at most `maxFrames` frames
    // of `frameSamples` samples, the newest.
    SampleQueues(int channels, std::size_t frameSamples, std::size_t maxFrames);

    // Receive loop: appends one de-interleaved frame.  frame[i] holds channel
    // i's samples; an empty queue takes the buffer itself and hands back its
    // own (empty) one.  frame[i].overload marks the channel overloaded.
    void append(std::vector<ChannelData>& frame);
    // Display pass: hands every channel's queued samples and overload flag
    // over into `into` (resized to the channel count), in exchange for the
    // buffers `into` held, which are emptied first.
    void take(std::vector<ChannelData>& into);
    // A copy of channel i's queued samples, for checks.
    std::vector<double> queued(int channel) const;

private:
    mutable std::mutex dataMutex;
    std::vector<ChannelData> channels;
    std::size_t frameSamples;
    std::size_t keepSamples;
};

#endif // SAMPLE_QUEUES_H
