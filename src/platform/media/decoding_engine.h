#pragma once

#include "platform/media/audio_output.h"
#include "platform/media/media_engine.h"
#ifdef _WIN32
#include "platform/media/acm_decoder.h"
#else
#include "platform/media/mpeg_decoder.h"
#endif
#include "platform/timer_host.h"

#include <memory>
#include <string>
#include <vector>

namespace ruz::media {

// The system's MPEG decoder: libmpg123 on Linux, the audio compression manager's codec on Windows.
#ifdef _WIN32
using Decoder = AcmDecoder;
#else
using Decoder = MpegDecoder;
#endif

// The media engine: the MPEG decoder turns audio files (and the entries of M3U song lists, in
// order) into an AudioOutput. Everything runs on the user-interface thread: a host timer hands
// the output what it wants as time passes, and notices when the song has played out.
//
// The end of a song is always reported the same way: the state turns Stopped with the position
// equal to the length, whatever the headers claimed and wherever the data really ran out. While a
// song plays, and when it opens, the position stays short of the length. Moving the position to
// or past the length ends the song the same way.
//
// Stop rewinds to the start of the song; play after the end starts the song (or the list) over.
// An M3U list plays its entries one after another without a state change between them; its end is
// the end of its last playable entry.
class DecodingEngine final : public MediaEngine {
  public:
    // Where `output` fails to play a song's format (its device went away), the engine goes on
    // with a silent output on the wall clock, saying so once on stderr and to its problem
    // observers, once the operation at hand is done.
    DecodingEngine(TimerHost& host, std::unique_ptr<AudioOutput> output);
    ~DecodingEngine() override;
    DecodingEngine(const DecodingEngine&) = delete;
    DecodingEngine& operator=(const DecodingEngine&) = delete;

    bool open(std::u16string_view path) override;
    bool play() override;
    bool pause() override;
    bool stop() override;
    double currentPosition() const override;
    double duration() const override { return duration_; }
    int volume() const override { return volume_; }
    bool setVolume(int hundredthsOfDb) override;
    bool mute() const override { return mute_; }
    void setMute(bool on) override;
    PlayState playState() const override { return state_; }
    std::u16string fileName() const override { return fileName_; }

  private:
    void startEntry(std::unique_ptr<Decoder> decoder);
    void useOutput(std::unique_ptr<AudioOutput> output);
    void run();
    void seekTo(double seconds);
    void feed();
    void scheduleFeed();
    void onTick();
    void finishEntry();
    void applyGain();
    bool moveTo(double seconds) override;
    void notify(PlayState oldState);

    TimerHost& host_;
    TimerHost::TimerId timer_ = 0;
    // Tells the problem observers what went wrong, outside the operation that found it.
    TimerHost::TimerId problemTimer_ = 0;
    std::string problem_;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<AudioOutput> output_;
    bool silentFallbackUsed_ = false;
    std::vector<float> pcm_;

    std::u16string fileName_;
    std::vector<std::u16string>
        playlist_;    // the entries of the open M3U list; empty for a single file
    int entry_ = -1;  // the entry playing, in playlist_

    double duration_ = 0.0;
    double baseSeconds_ = 0.0;  // where the output's current stretch starts in the song
    bool endHandedOver_ = false;
    bool atEnd_ = false;  // the song has ended (or was moved to its end)
    PlayState state_ = PlayState::Stopped;
    int volume_ = 0;
    bool mute_ = false;
};

}  // namespace ruz::media
