#include "platform/media/engine_factory.h"

#include "platform/media/decoding_engine.h"
#include "platform/media/sdl_output.h"
#include "platform/media/silent_output.h"

#include <string>

namespace ruz {

std::unique_ptr<MediaEngine> makeVirtualTimeEngine(TimerHost& host) {
    return std::make_unique<media::DecodingEngine>(
        host, std::make_unique<media::SilentOutput>([&host] { return host.nowMs(); }));
}

std::unique_ptr<MediaEngine> makeDesktopEngine(TimerHost& host) {
    std::string why;
    std::unique_ptr<media::AudioOutput> output = media::SdlOutput::create(host, why);
    if (!output) {
        media::reportNoSoundDevice(why);
        output = std::make_unique<media::SilentOutput>(&media::steadyClockMs);
    }
    return std::make_unique<media::DecodingEngine>(host, std::move(output));
}

}  // namespace ruz
