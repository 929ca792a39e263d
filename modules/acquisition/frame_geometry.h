#ifndef FRAME_GEOMETRY_H
#define FRAME_GEOMETRY_H

// Size of one receive frame for a configuration: enough whole periods of the
// test signal per channel (at least 4, and at least 500 samples) that the
// window's leakage stays below the analysis's needs.  Pure arithmetic; any
// thread.
struct FrameGeometry {
    enum Verdict {
        Ok,
        RateTooLow,  // the per-channel rate is not above twice the signal
        BadGeometry, // no channel, too many, a signal that is not positive and
                     // finite, or a frame above maxWords
    };
    Verdict verdict = BadGeometry;
    int samplesPerChannel = 0; // even
    int frameWords = 0;        // samplesPerChannel * channels
    int periodMs = 0;          // ceil of the frame's duration; may be 0
};

// `channels` logical channels (1..32) at `channelRateKhz` each, for a test
// signal of `signalHz`; frames above `maxWords` 32-bit words are refused.
FrameGeometry frameGeometry(int channels, double channelRateKhz, double signalHz, int maxWords);

#endif // FRAME_GEOMETRY_H
