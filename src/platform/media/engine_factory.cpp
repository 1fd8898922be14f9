#include "platform/media/engine_factory.h"

#include "platform/media/decoding_engine.h"
#include "platform/media/silent_output.h"

namespace ruz {

std::unique_ptr<MediaEngine> makeVirtualTimeEngine(TimerHost& host) {
    return std::make_unique<media::DecodingEngine>(
        host, std::make_unique<media::SilentOutput>([&host] { return host.nowMs(); }));
}

}  // namespace ruz
