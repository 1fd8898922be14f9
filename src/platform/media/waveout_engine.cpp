#include "platform/media/decoding_engine.h"
#include "platform/media/engine_factory.h"
#include "platform/media/waveout_output.h"

namespace ruz {

std::unique_ptr<MediaEngine> makeDesktopEngine(TimerHost& host) {
    // The sound device opens at the first song; without one the engine goes on silently on the
    // wall clock, saying so once.
    return std::make_unique<media::DecodingEngine>(host,
                                                   std::make_unique<media::WaveOutOutput>(host));
}

}  // namespace ruz
