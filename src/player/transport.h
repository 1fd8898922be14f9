#pragma once

#include "controls/controls.h"
#include "platform/file_stamp.h"
#include "platform/media/media_engine.h"
#include "player/playlist.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ruz {

// The transport over the media engine: opening the entries the playlist names, seeking, pausing,
// mute, volume, the position refresh and the song-end check.
class Transport {
  public:
    struct Controls {
        Picture& Image1;  // Back
        Picture& Image2;  // Rewind
        Picture& Image3;  // Pause
        Picture& Image4;  // Skip
        Picture& Image5;  // Forward
        Picture& Image6;  // Mute
        Picture& Image7;  // Play
        Slider& Slider1;  // Volume
        Slider& Slider2;  // Position
        Timer& Timer1;    // Position refresh
    };
    // `ended` tells whether the program has ended: the engine's reports are ignored from then on.
    Transport(Controls controls, MediaEngine& engine, Playlist& playlist,
              std::function<bool()> ended);
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Opens the selected entry; true when the engine accepts it.
    bool OpenSelectedSong();
    // Selects entry `index` and opens it; true when the engine accepts it.
    bool playEntry(int index);
    // Selects the first entry; when the engine refuses it, the entries after it are passed over
    // as at a song's end, so that what plays is the selected song.
    void playFirstSong();
    // The playlist's next entry: in list order, or the shuffled order while Random is checked.
    void NextSong();
    // An entry drawn from the shuffled order, now.
    void randomSong();
    void PreviousSong();
    void SeekBy(double seconds);
    // Seeks to `seconds`; the position slider follows when it is a whole number in range.
    void SeekTo(double seconds);
    // Seeks by `seconds` and moves the position slider by as much.
    void nudgeBy(int seconds);
    void PauseSong();
    void ResumeSong();
    void stop();
    void ToggleMute();
    bool muted() const;
    // Sets the engine's volume and moves the volume slider to it.
    void SetVolume(int hundredthsOfDb);
    // The song's length in whole seconds, as the position slider's maximum.
    int lengthSeconds() const { return c_.Slider2.max(); }
    void refreshPosition();
    // At a song's end: the same song again while Repeat is checked, otherwise the next one.
    // Entries the engine refuses are passed over a bounded number at a time, the rest on the next
    // ticks of the position refresh, so that no single handler holds the interface for long.
    void songEndCheck();
    bool passingOver() const { return movesLeft_ > 0; }

    // At most this many files are opened, and this many known refusals passed over, per turn.
    static constexpr int kOpensPerTurn = 24;
    static constexpr int kKnownRefusalsPerTurn = 2048;
    // How many refused files are remembered at the most.
    static constexpr std::size_t kMaxRememberedRefusals = 65536;

  private:
    // Whether the engine refused the selected file the last time it was opened.
    bool selectedRefused() const { return refused_.contains(playlist_.selectedPath()); }
    // Plays `entry`, and after each refusal the playlist's next entry, until one opens, within
    // one turn's budget.
    void passOver(std::optional<int> entry);

    Controls c_;
    MediaEngine& engine_;
    Playlist& playlist_;
    std::function<bool()> ended_;
    // Each refused file as it was when the engine refused it: a file that has not changed is
    // refused again.
    std::unordered_map<std::u16string, FileStamp> refused_;
    // The moves left of a pass over refused entries, and this turn's budget.
    int movesLeft_ = 0;
    int opensThisTurn_ = 0;
    int knownRefusalsThisTurn_ = 0;
    // The engine outlives the transport: it stops calling back when this goes.
    Subscription playStateObserver_;
};

}  // namespace ruz
