#include "player/transport.h"

#include "common/constants.h"
#include "common/numbers.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace ruz {

Transport::Transport(Controls controls, MediaEngine& engine, Playlist& playlist,
                     std::function<std::uint64_t()> shuffleSeed, std::function<bool()> ended)
    : c_(controls),
      engine_(engine),
      playlist_(playlist),
      shuffle_(std::move(shuffleSeed)),
      ended_(std::move(ended)) {
    c_.Image1.onClick = [this] { PreviousSong(); };
    c_.Image2.onClick = [this] { SeekBy(-kSkipSeconds); };
    c_.Image7.onClick = [this] { ResumeSong(); };
    c_.Image3.onClick = [this] { PauseSong(); };
    c_.Image6.onClick = [this] { ToggleMute(); };
    c_.Image5.onClick = [this] { SeekBy(kSkipSeconds); };
    c_.Image4.onClick = [this] { NextSong(); };
    c_.Slider1.onScroll = [this] { SetVolume(c_.Slider1.value()); };
    c_.Slider2.onScroll = [this] { SeekTo(c_.Slider2.value()); };
    c_.Timer1.onTick = [this] { RefreshPosition(); };
    playlist_.onSelect = [this] { OpenSelectedSong(); };
    playlist_.playFirst = [this] { PlayFirstSong(); };
    playStateObserver_ = engine_.observePlayState([this](PlayState, PlayState) {
        if (!ended_()) {
            SongEndCheck();
        }
    });
}

Transport::Stamp Transport::stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

void Transport::OpenSelectedSong() {
    const QString path = playlist_.selectedPath();
    const Stamp stamp = stampOf(path);
    const auto known = refused_.constFind(path);
    if (known != refused_.constEnd() && *known == stamp) {
        ++knownRefusalsThisTurn_;
        return;  // refused before and not changed since: the engine would refuse it again
    }
    ++opensThisTurn_;
    if (engine_.open(path)) {
        lastOpenAccepted_ = true;
        movesLeft_ = 0;  // a song plays: any pass over refused entries is over
        refused_.remove(path);
        return;
    }
    if (refused_.size() >= kMaxRememberedRefusals) {
        refused_.clear();
    }
    refused_.insert(path, stamp);
}

void Transport::PlayEntry(int index) {
    playlist_.SelectSong(index);
    OpenSelectedSong();
}

void Transport::PlayFirstSong() {
    const int before = playlist_.index();
    lastOpenAccepted_ = false;
    playlist_.SelectSong(0);
    // Selecting the entry that is already selected opens nothing.
    if (playlist_.index() != before && !lastOpenAccepted_ && playlist_.count() > 0) {
        movesLeft_ = playlist_.count();
        passOver();
    }
}

void Transport::NextSong() {
    if (random()) {
        RandomSong();
        return;
    }
    PlayEntry(playlist_.index() + 1);
}

void Transport::RandomSong() {
    const int entry = shuffle_.next(playlist_.index(), playlist_.count());
    if (entry >= 0) {
        PlayEntry(entry);
    }
}

void Transport::PreviousSong() {
    PlayEntry(playlist_.index() - 1);
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

void Transport::NudgeBy(int seconds) {
    SeekBy(seconds);
    c_.Slider2.setValue(c_.Slider2.value() + seconds);
}

void Transport::PauseSong() {
    engine_.pause();
}

void Transport::ResumeSong() {
    engine_.play();
}

void Transport::Stop() {
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

void Transport::RefreshPosition() {
    if (passingOver()) {
        passOver();
    }
    if (auto position = roundHalfEven(engine_.currentPosition(), kIntMin, kIntMax)) {
        c_.Slider2.setValue(*position);
    }
    if (auto length = roundHalfEven(engine_.duration(), kIntMin, kIntMax)) {
        c_.Slider2.setMax(*length);
    }
}

void Transport::SongEndCheck() {
    if (engine_.duration() != engine_.currentPosition()) {
        return;
    }
    // Repeat wins over Random; a song that can no longer be opened is passed over as usual.
    if (c_.chkRepeat.value() == 1 && playlist_.index() >= 0) {
        lastOpenAccepted_ = false;
        OpenSelectedSong();
        if (lastOpenAccepted_) {
            return;
        }
    }
    // A file the engine refuses would leave the player standing at the end of the song before
    // it; such files are passed over, each at most once per song end.
    movesLeft_ = std::max(playlist_.count(), 1);
    passOver();
}

void Transport::passOver() {
    opensThisTurn_ = 0;
    knownRefusalsThisTurn_ = 0;
    while (movesLeft_ > 0) {
        --movesLeft_;
        lastOpenAccepted_ = false;
        if (random() || !playlist_.atLast()) {
            NextSong();
        } else {
            playlist_.SelectSong(0);
        }
        if (lastOpenAccepted_ || playlist_.count() == 0) {
            movesLeft_ = 0;
            return;
        }
        if (opensThisTurn_ >= kOpensPerTurn || knownRefusalsThisTurn_ >= kKnownRefusalsPerTurn) {
            return;  // the rest on the next tick
        }
    }
}

}  // namespace ruz
