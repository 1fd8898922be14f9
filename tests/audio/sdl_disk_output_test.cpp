// Every sample is heard: a song played through SDL's disk driver (a real audio thread that takes
// the samples at the device's pace and writes them to a file) reaches the file whole, and the
// engine's position and end follow what the device took.
#include "platform/media/decoding_engine.h"
#include "platform/media/sdl_output.h"
#include "text/text.h"
#include "ui/qt_timer_host.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace ruz::media {
namespace {

// Generous bound on the whole song, so that a broken end does not hang the test.
constexpr int kGiveUpMs = 60000;
// The song: 10.000 s of a tone, 32 kHz stereo.
constexpr double kSongSeconds = 10.0;
constexpr int kSongRate = 32000;
constexpr int kSongChannels = 2;
// How far the samples that reached the device may be from the song's length.
constexpr double kToleranceSeconds = 0.020;
// A run of this many frames of exact silence is no part of a tone: the device was paused, or
// waited for samples.
constexpr std::size_t kSilentRunFrames = 64;
// How often the position is looked at while the song plays.
constexpr int kPositionSampleMs = 100;

std::u16string fixture(const char* name) {
    return text::fromUtf8(std::string(RUZ_FIXTURES_DIR) + '/' + name);
}

struct Heard {
    std::size_t soundFrames = 0;  // frames that are not inside a long run of silence
    std::size_t firstSound = 0;
    std::size_t lastSound = 0;
};

// Counts the frames of sound in interleaved float samples.
Heard listen(const std::vector<float>& samples, std::size_t channels) {
    Heard heard;
    const std::size_t frames = samples.size() / channels;
    std::size_t silentRun = 0;
    bool any = false;
    for (std::size_t f = 0; f <= frames; ++f) {
        bool silent = true;
        if (f < frames) {
            for (std::size_t c = 0; c < channels; ++c) {
                silent = silent && samples[f * channels + c] == 0.0F;
            }
        }
        if (silent && f < frames) {
            ++silentRun;
            continue;
        }
        // A short silence between sounds belongs to the song.
        if (any && silentRun < kSilentRunFrames && f < frames) {
            heard.soundFrames += silentRun;
        }
        silentRun = 0;
        if (f < frames) {
            if (!any) {
                heard.firstSound = f;
            }
            any = true;
            heard.lastSound = f;
            ++heard.soundFrames;
        }
    }
    return heard;
}

// Runs the event loop until the engine's state turns Stopped (or the give-up time passes).
void playToTheEnd(MediaEngine& engine) {
    QEventLoop loop;
    const Subscription observer = engine.observePlayState([&](PlayState, PlayState now) {
        if (now == PlayState::Stopped) {
            loop.quit();
        }
    });
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop for `ms`.
void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<float> samplesIn(const QString& file) {
    QFile sound(file);
    if (!sound.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = sound.readAll();
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

TEST(SdlDiskOutput, ATenSecondSongReachesTheDeviceWhole) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("sound.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));

    std::int64_t underruns = -1;
    qint64 wallMs = 0;
    {
        ui::QtTimerHost host;
        auto output = std::make_unique<SdlOutput>(host);
        const SdlOutput* device = output.get();
        DecodingEngine engine(host, std::move(output));
        QEventLoop loop;
        std::vector<double> positions;  // sampled while playing: they only grow
        const Subscription observer = engine.observePlayState([&](PlayState, PlayState now) {
            if (now == PlayState::Stopped) {
                loop.quit();
            }
        });
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout,
                         [&] { positions.push_back(engine.currentPosition()); });
        sampler.start(kPositionSampleMs);
        QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
        QElapsedTimer wall;
        wall.start();
        ASSERT_TRUE(engine.open(fixture("tone-10s.mp3")));
        ASSERT_DOUBLE_EQ(engine.duration(), kSongSeconds);
        loop.exec();
        wallMs = wall.elapsed();
        ASSERT_EQ(engine.playState(), PlayState::Stopped) << "the song did not end";
        EXPECT_DOUBLE_EQ(engine.currentPosition(), engine.duration());
        for (std::size_t i = 1; i < positions.size(); ++i) {
            EXPECT_GE(positions[i], positions[i - 1]);
            EXPECT_LT(positions[i], kSongSeconds);
        }
        underruns = device->underrunFrames();
    }  // the device closes: the file is complete

    const Heard heard = listen(samplesIn(file), kSongChannels);
    const double seconds = static_cast<double>(heard.soundFrames) / kSongRate;
    EXPECT_NEAR(seconds, kSongSeconds, kToleranceSeconds);
    // Nothing waited for samples: the user-interface thread kept the device fed.
    EXPECT_EQ(underruns, 0);
    std::printf("heard %.4f s of the %.1f s song (frames %zu to %zu); the song took %lld ms\n",
                seconds, kSongSeconds, heard.firstSound, heard.lastSound,
                static_cast<long long>(wallMs));
}

TEST(SdlDiskOutput, AnIdleDeviceIsLetGoAndOpensAgainToPlay) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("sound.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
    // Longer than the output keeps an idle device.
    constexpr int kIdleMs = 6000;
    constexpr int kOneSecondFrames = 44100;  // tone-1s.mp3: 44.1 kHz stereo

    ui::QtTimerHost host;
    auto output = std::make_unique<SdlOutput>(host);
    const SdlOutput* device = output.get();
    DecodingEngine engine(host, std::move(output));
    EXPECT_FALSE(device->deviceOpen());  // nothing opens before the first song
    ASSERT_TRUE(engine.open(fixture("tone-1s.mp3")));
    EXPECT_TRUE(device->deviceOpen());
    playToTheEnd(engine);
    ASSERT_EQ(engine.playState(), PlayState::Stopped);
    idle(kIdleMs);
    EXPECT_FALSE(device->deviceOpen());

    // Play after the end starts the song over: the device opens again (a new file) and the whole
    // song reaches it.
    ASSERT_TRUE(engine.play());
    EXPECT_TRUE(device->deviceOpen());
    playToTheEnd(engine);
    EXPECT_DOUBLE_EQ(engine.currentPosition(), engine.duration());
    const Heard heard = listen(samplesIn(file), 2);
    EXPECT_NEAR(static_cast<double>(heard.soundFrames), kOneSecondFrames,
                kToleranceSeconds * kOneSecondFrames);
}

TEST(SilenceCount, ShortSilencesBelongToTheSongLongOnesDoNot) {
    struct Stretch {
        std::size_t frames;
        float value;
    } stretches[] = {
        {100, 0.0F}, {10, 0.5F}, {5, 0.0F}, {10, -0.5F}, {200, 0.0F}, {1, 0.25F}, {70, 0.0F},
    };
    // Appended sample by sample: growing the vector by a fill of each stretch makes GCC 12 at -O3
    // warn of a write out of bounds that cannot happen.
    std::vector<float> samples;
    for (const Stretch& stretch : stretches) {
        std::fill_n(std::back_inserter(samples), stretch.frames * 2, stretch.value);
    }
    const Heard heard = listen(samples, 2);
    EXPECT_EQ(heard.soundFrames, 26u);
    EXPECT_EQ(heard.firstSound, 100u);
    EXPECT_EQ(heard.lastSound, 325u);
}

}  // namespace
}  // namespace ruz::media

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
