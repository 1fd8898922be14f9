#include "player/transport.h"

#include "common/constants.h"
#include "common/numbers.h"

#include <algorithm>

namespace ruz {

Transport::Transport(Controls controls, MediaEngine& engine, Playlist& playlist,
                     std::function<bool()> ended)
    : c_(controls), engine_(engine), playlist_(playlist), ended_(std::move(ended)) {
    c_.Image1.onClick = [this] { PreviousSong(); };
    c_.Image2.onClick = [this] { SeekBy(-kSkipSeconds); };
    c_.Image7.onClick = [this] { ResumeSong(); };
    c_.Image3.onClick = [this] { PauseSong(); };
    c_.Image6.onClick = [this] { ToggleMute(); };
    c_.Image5.onClick = [this] { SeekBy(kSkipSeconds); };
    c_.Image4.onClick = [this] { NextSong(); };
    c_.Slider1.onScroll = [this] { SetVolume(c_.Slider1.value()); };
    c_.Slider2.onScroll = [this] { SeekTo(c_.Slider2.value()); };
    c_.Timer1.onTick = [this] { refreshPosition(); };
    playlist_.onSelect = [this] { OpenSelectedSong(); };
    playlist_.playFirst = [this] { playFirstSong(); };
    playStateObserver_ = engine_.observePlayState([this](PlayState, PlayState) {
        if (!ended_()) {
            songEndCheck();
        }
    });
}

bool Transport::OpenSelectedSong() {
    const std::u16string path = playlist_.selectedPath();
    const FileStamp stamp = fileStamp(path);
    const auto known = refused_.find(path);
    if (known != refused_.end() && known->second == stamp) {
        ++knownRefusalsThisTurn_;
        return false;  // refused before and not changed since: the engine would refuse it again
    }
    ++opensThisTurn_;
    if (engine_.open(path)) {
        movesLeft_ = 0;  // a song plays: any pass over refused entries is over
        refused_.erase(path);
        return true;
    }
    if (refused_.size() >= kMaxRememberedRefusals) {
        refused_.clear();
    }
    refused_.insert_or_assign(path, stamp);
    return false;
}

bool Transport::playEntry(int index) {
    // A change of the selection opens the entry already; it is opened again all the same, so
    // that a move to the entry selected now (Skip at the last, First at the first, Repeat)
    // starts it from the top.
    playlist_.SelectSong(index);
    return OpenSelectedSong();
}

void Transport::playFirstSong() {
    const int before = playlist_.index();
    playlist_.SelectSong(0);
    // Selecting the entry that is already selected opens nothing.
    if (playlist_.index() != before && selectedRefused()) {
        movesLeft_ = playlist_.count();
        passOver(playlist_.afterRefused());
    }
}

void Transport::NextSong() {
    if (const auto entry = playlist_.next()) {
        playEntry(*entry);
    }
}

void Transport::randomSong() {
    if (const auto entry = playlist_.shuffled()) {
        playEntry(*entry);
    }
}

void Transport::PreviousSong() {
    playEntry(playlist_.previous());
}

void Transport::SeekBy(double seconds) {
    engine_.setCurrentPosition(engine_.currentPosition() + seconds);
}

void Transport::SeekTo(double seconds) {
    engine_.setCurrentPosition(seconds);
    if (const auto whole = roundHalfEven(seconds, kIntMin, kIntMax)) {
        c_.Slider2.setValue(*whole);
    }
}

void Transport::nudgeBy(int seconds) {
    SeekBy(seconds);
    c_.Slider2.setValue(c_.Slider2.value() + seconds);
}

void Transport::PauseSong() {
    engine_.pause();
}

void Transport::ResumeSong() {
    engine_.play();
}

void Transport::stop() {
    engine_.stop();
}

void Transport::ToggleMute() {
    engine_.setMute(!engine_.mute());
}

bool Transport::muted() const {
    return engine_.mute();
}

void Transport::SetVolume(int hundredthsOfDb) {
    engine_.setVolume(hundredthsOfDb);
    c_.Slider1.setValue(hundredthsOfDb);
}

void Transport::refreshPosition() {
    if (passingOver()) {
        passOver(playlist_.afterRefused());
    }
    if (auto position = roundHalfEven(engine_.currentPosition(), kIntMin, kIntMax)) {
        c_.Slider2.setValue(*position);
    }
    if (auto length = roundHalfEven(engine_.duration(), kIntMin, kIntMax)) {
        c_.Slider2.setMax(*length);
    }
}

void Transport::songEndCheck() {
    if (engine_.duration() != engine_.currentPosition()) {
        return;
    }
    // A file the engine refuses would leave the player standing at the end of the song before
    // it; such files are passed over, each at most once per song end, besides the song that
    // ended when Repeat opens it again.
    const auto entry = playlist_.afterEnd();
    movesLeft_ = std::max(playlist_.count(), 1) + (entry == playlist_.index() ? 1 : 0);
    passOver(entry);
}

void Transport::passOver(std::optional<int> entry) {
    opensThisTurn_ = 0;
    knownRefusalsThisTurn_ = 0;
    while (movesLeft_ > 0) {
        --movesLeft_;
        if (!entry || playEntry(*entry)) {
            movesLeft_ = 0;
            return;
        }
        if (opensThisTurn_ >= kOpensPerTurn || knownRefusalsThisTurn_ >= kKnownRefusalsPerTurn) {
            return;  // the rest on the next tick
        }
        entry = playlist_.afterRefused();
    }
}

}  // namespace ruz
