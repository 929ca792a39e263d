#ifndef FRAME_SPLITTER_H
#define FRAME_SPLITTER_H

#include <cstddef>
#include <vector>

#include "channel_data.h"
#include "run_channel.h"

// Splits one converted frame, interleaved in scan order (value j belongs to
// logical channel j mod channels.size()), into one buffer per channel in a
// single pass over the frame, and marks a channel whose samples reach the end
// of its range's scale (within half an LSB): the input clips.
// `out` is resized to the channel count; its buffers are reused.  More than
// 32 channels give empty buffers.  Pure; any thread.
void splitFrame(const double* frame, std::size_t count, const std::vector<RunChannel>& channels,
                std::vector<ChannelData>& out);

#endif // FRAME_SPLITTER_H
