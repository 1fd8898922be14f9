#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ruz::media {

struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
    bool operator==(const PcmFormat&) const = default;
};

// Where the engine's decoded audio goes, and the clock that says how much of it has played.
// The engine calls every member on the user-interface thread. A stretch of audio starts with
// begin() or flush(); the engine hands over what the output wants, then endOfData(); the stretch
// is finished once everything handed over has played.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    // False for an output that plays nothing: the engine then only passes over the data (to find
    // where it ends) and hands over counts without samples.
    virtual bool wantsSamples() const = 0;

    // Starts a new stretch in `format`, not running, with nothing handed over. False when the
    // output cannot play that format (its device is gone): `error` then says why.
    virtual bool begin(const PcmFormat& format, std::string& error) = 0;
    // Drops what was handed over and not yet played, and counts from 0 again (after a seek).
    virtual void flush() = 0;
    virtual void setRunning(bool running) = 0;

    // How many more frames the output would take now.
    virtual std::int64_t framesWanted() const = 0;
    // Hands over `frames` frames: interleaved samples, or null when wantsSamples() is false.
    virtual void write(const float* samples, std::int64_t frames) = 0;
    // Nothing follows what has been handed over in this stretch.
    virtual void endOfData() = 0;

    // Frames of this stretch played so far.
    virtual std::int64_t framesPlayed() const = 0;
    // True once endOfData() came and every frame handed over has played.
    virtual bool finished() const = 0;
    // While running after endOfData(): milliseconds until finished() turns true, for an output
    // whose engine must look at the right moment. -1 when unknown or when the output says so
    // itself (see setWake).
    virtual std::int64_t msUntilFinished() const = 0;
    // How often the engine should hand over more while the output runs.
    virtual int feedIntervalMs() const = 0;

    // Linear gain on the samples: 0 is silence, 1 unchanged.
    virtual void setGain(float gain) = 0;

    // `wake` runs on the user-interface thread whenever the output wants the engine to look at it
    // (it has played everything up to the end). Outputs that cannot tell never call it.
    virtual void setWake(std::function<void()> wake) = 0;
};

}  // namespace ruz::media
