// The media engine on fuzzed bytes: the file is opened, played on virtual time to its end, with
// a few fuzzed seeks, pauses and stops on the way; and decoded to samples by the decoder itself.
// Every song must end: playing on virtual time past any length the data can have is a finding.
// The same bytes go through the MPEG frame reader that feeds the Windows decoder: its frames lie
// inside the data, one after the other, each as long as its header says, and a seek finds them.

#include "fuzz_system.h"
#include "platform/media/engine_factory.h"
#include "platform/media/mpeg_decoder.h"
#include "platform/media/mpeg_frames.h"
#include "platform/virtual_timer_host.h"
#include "qt/qt_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr std::int64_t kStepMs = 250;
// The longest any data can play: a frame of at least a few bytes lasts at most some tens of
// milliseconds (MPEG 2.5 at 8 kHz), so a millisecond for each byte is far more than enough.
std::int64_t longestPlayMs(std::size_t bytes) {
    return static_cast<std::int64_t>(bytes) * 4 + 10000;
}

void playToEnd(const QString& path, std::size_t bytes, const std::uint8_t* control) {
    ruz::VirtualTimerHost host;
    std::unique_ptr<ruz::MediaEngine> engine = ruz::makeVirtualTimeEngine(host);
    int ends = 0;
    const ruz::Subscription observer =
        engine->observePlayState([&](ruz::PlayState, ruz::PlayState now) {
            if (now == ruz::PlayState::Stopped && engine->currentPosition() == engine->duration()) {
                ++ends;
            }
        });
    if (!engine->open(ruz::fromQString(path))) {
        FUZZ_CHECK(engine->playState() == ruz::PlayState::Stopped);
        FUZZ_CHECK(engine->fileName().empty());
        return;
    }
    FUZZ_CHECK(engine->playState() == ruz::PlayState::Playing);
    FUZZ_CHECK(engine->duration() > 0);
    // A few moves the user makes while it plays, steered by the input's first bytes.
    for (int i = 0; i < 3 && control != nullptr; ++i) {
        const std::uint8_t c = control[i];
        host.advance(c * 4);
        switch (c % 5) {
            case 0:
                engine->setCurrentPosition(engine->duration() * (c / 255.0));
                break;
            case 1:
                engine->pause();
                engine->play();
                break;
            case 2:
                engine->stop();
                engine->play();
                break;
            default:
                break;
        }
        FUZZ_CHECK(engine->currentPosition() >= 0);
        FUZZ_CHECK(engine->currentPosition() <= engine->duration());
    }
    // Played (again) to its end: after the end, play starts the song over. The end comes where
    // the data runs out, whatever length the headers claim.
    if (engine->playState() != ruz::PlayState::Playing) {
        FUZZ_CHECK(engine->play());
    }
    ends = 0;
    const std::int64_t limit = host.nowMs() + longestPlayMs(bytes);
    while (engine->playState() == ruz::PlayState::Playing && host.nowMs() < limit) {
        host.advance(kStepMs);
        FUZZ_CHECK(engine->currentPosition() <= engine->duration());
    }
    FUZZ_CHECK(engine->playState() == ruz::PlayState::Stopped);
    FUZZ_CHECK(ends >= 1);
    FUZZ_CHECK(engine->currentPosition() == engine->duration());
}

void decodeThrough(const QString& path, std::size_t bytes) {
    std::unique_ptr<ruz::media::MpegDecoder> decoder =
        ruz::media::MpegDecoder::open(ruz::fromQString(path));
    if (!decoder) {
        return;
    }
    constexpr std::int64_t kChunk = 1152;
    std::vector<float> pcm(static_cast<std::size_t>(kChunk * decoder->channels()));
    // Every call either yields samples or ends the stream; samples never outnumber what the data
    // can hold by much.
    const std::int64_t maxFrames = static_cast<std::int64_t>(bytes) * 1152 + 4 * kChunk;
    std::int64_t frames = 0;
    while (!decoder->atEnd()) {
        const std::int64_t got = decoder->read(pcm.data(), kChunk);
        FUZZ_CHECK(got >= 0 && got <= kChunk);
        frames += got;
        FUZZ_CHECK(frames <= maxFrames);
    }
}

void readFrames(const std::uint8_t* data, std::size_t size) {
    namespace mpeg = ruz::media::mpeg;
    mpeg::MemorySource source({data, size});
    const std::optional<mpeg::StreamInfo> stream = mpeg::probe(source);
    if (!stream) {
        return;
    }
    FUZZ_CHECK(stream->lengthFrames > 0);
    FUZZ_CHECK(stream->audioStart < stream->audioEnd && stream->audioEnd <= size);
    mpeg::FrameWalker walker(source, *stream);
    std::vector<std::uint8_t> frame;
    std::vector<std::uint8_t> middle;
    const std::int64_t frames = walker.countFrames();
    std::size_t walked = 0;
    FUZZ_CHECK(walker.seek(0));
    while (walker.next(frame)) {
        const auto header = mpeg::parseHeader(std::span<const std::uint8_t, 4>(frame.data(), 4));
        FUZZ_CHECK(header && header->sameStream(stream->format));
        FUZZ_CHECK(static_cast<int>(frame.size()) == header->bytes);
        walked += frame.size();
        if (walker.index() == frames / 2 + 1) {
            middle = frame;
        }
    }
    FUZZ_CHECK(walker.index() == frames);
    FUZZ_CHECK(walked <= stream->audioEnd - stream->audioStart);
    FUZZ_CHECK(walker.seek(frames / 2) && walker.next(frame) && frame == middle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ruz::fuzz::Scratch scratch;
    const QString path = scratch.filePath(QStringLiteral("song.mp3"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    FUZZ_CHECK(ruz::fuzz::writeFile(path, bytes));
    // The last bytes steer the moves: the first ones are the file's headers.
    playToEnd(path, size, size >= 3 ? data + size - 3 : nullptr);
    decodeThrough(path, size);
    readFrames(data, size);
    return 0;
}
