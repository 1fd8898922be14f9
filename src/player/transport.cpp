// The transport: moving through the playlist, seeking, pausing, mute, volume, the position
// refresh and the song-end check.
#include "app/frmamp.h"
#include "commands/numbers.h"

#include <algorithm>
#include <limits>

namespace ruz {

namespace {
constexpr double kSkipSeconds = 5;
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();
}  // namespace

void FrmAmp::NextSong() {
    SelectSong(File1.listIndex() + 1);
    OpenSelectedSong();
}

void FrmAmp::PreviousSong() {
    SelectSong(File1.listIndex() - 1);
    OpenSelectedSong();
}

void FrmAmp::SeekBy(double seconds) {
    MediaPlayer1.setCurrentPosition(MediaPlayer1.currentPosition() + seconds);
}

void FrmAmp::SeekTo(double seconds) {
    MediaPlayer1.setCurrentPosition(seconds);
}

void FrmAmp::PauseSong() {
    MediaPlayer1.pause();
}

void FrmAmp::ResumeSong() {
    MediaPlayer1.play();
}

void FrmAmp::ToggleMute() {
    MediaPlayer1.setMute(!MediaPlayer1.mute());
}

void FrmAmp::SetVolume(int hundredthsOfDb) {
    MediaPlayer1.setVolume(hundredthsOfDb);
}

void FrmAmp::RefreshPosition() {
    if (auto position = roundHalfEven(MediaPlayer1.currentPosition(), kIntMin, kIntMax)) {
        Slider2.setValue(*position);
    }
    if (auto length = roundHalfEven(MediaPlayer1.duration(), kIntMin, kIntMax)) {
        Slider2.setMax(*length);
    }
}

void FrmAmp::SongEndCheck() {
    if (MediaPlayer1.duration() != MediaPlayer1.currentPosition()) {
        return;
    }
    // A file the engine refuses would leave the player standing at the end of the song before
    // it; such files are passed over, each at most once per song end.
    for (int moves = 0; moves < std::max(File1.count(), 1); ++moves) {
        lastOpenAccepted_ = false;
        if (File1.listIndex() != File1.count() - 1) {
            NextSong();
        } else {
            SelectSong(0);
        }
        if (lastOpenAccepted_ || File1.count() == 0) {
            return;
        }
    }
}

void FrmAmp::wireTransport() {
    Image1.onClick = [this] { PreviousSong(); };
    Image2.onClick = [this] { SeekBy(-kSkipSeconds); };
    Image7.onClick = [this] { ResumeSong(); };
    Image3.onClick = [this] { PauseSong(); };
    Image6.onClick = [this] { ToggleMute(); };
    Image5.onClick = [this] { SeekBy(kSkipSeconds); };
    Image4.onClick = [this] { NextSong(); };
    Image8.onClick = [this] { OpenFolderClicked(); };
    Image10.onClick = [this] { window.setVisible(false); };
    Slider1.onScroll = [this] { SetVolume(Slider1.value()); };
    Slider2.onScroll = [this] { SeekTo(Slider2.value()); };
    Timer1.onTick = [this] { RefreshPosition(); };
    Timer2.onTick = [this] { BuildStep(); };
    File1.onChange = [this] { OpenSelectedSong(); };
    ExplorerTree1.onSelect = [this] { LoadFolder(); };
    MediaPlayer1.setPlayStateChanged([this](PlayState, PlayState) {
        if (!ended_) {
            SongEndCheck();
        }
    });
}

}  // namespace ruz
