#include "commands/dispatcher.h"

#include "chrome/chrome.h"
#include "common/chat_room.h"
#include "common/constants.h"
#include "common/numbers.h"
#include "common/text.h"
#include "controls/controls.h"
#include "player/announcer.h"
#include "player/playlist.h"
#include "player/transport.h"
#include "presence/presence.h"
#include "qt/qt_text.h"
#include "scanner/room_scanner.h"
#include "words/ccoms.h"

#include <iterator>

namespace ruz {

// Tested in this order; every one that matches runs, all with the same argument. The song search
// wants ".p" as a word of its own, so that ".pause", ".play" and "notes.pdf" search nothing.
const Dispatcher::ContainsRow Dispatcher::kContainsPhase[] = {
    {{Match::Trigger, Word::Volume, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.volumeCommand(a); }},
    {{Match::Trigger, Word::SetPosition, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.setPositionCommand(a); }},
    {{Match::Trigger, Word::IdleOn, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.idleOnCommand(a); }},
    {{Match::Fixed, {}, u".p"},
     containsEndedWord,
     [](Dispatcher& d, const std::optional<QString>& a) { d.s_.playlist.searchSong(a); }},
};

// Compared in this order; the first equal row runs and ends the line's handling.
const Dispatcher::ExactRow Dispatcher::kExactPhase[] = {
    {{Match::Bare, Word::IdleOff, nullptr},
     [](Dispatcher& d) {
         d.s_.presence.LeaveIdle();
         d.s_.room.send(d.screenName() + QStringLiteral(" Is Back From Afk"));
     }},
    {{Match::Trigger, Word::Clear, nullptr}, [](Dispatcher& d) { d.s_.chat.emptyFront(); }},
    {{Match::Trigger, Word::Close, nullptr},
     [](Dispatcher& d) {
         d.s_.room.send(daggered(QStringLiteral("- Closes Room -")));
         d.s_.room.close();
     }},
    {{Match::TriggerFixed, {}, u"set?"},
     [](Dispatcher& d) {
         d.s_.room.send(QStringLiteral("Song Is ") +
                        QString::number(d.s_.transport.lengthSeconds()) +
                        QStringLiteral(" Secounds Long"));
     }},
    {{Match::Trigger, Word::End, nullptr},
     [](Dispatcher& d) {
         d.s_.room.send(daggered(QStringLiteral("- Closes Ruz -")));
         d.endProgram_();
     }},
    {{Match::Trigger, Word::Hide, nullptr},
     [](Dispatcher& d) {
         d.s_.chrome.hideMain();
         d.s_.room.sendGated(daggered(QStringLiteral("- Minimizes Ruz -")));
     }},
    {{Match::Bare, Word::SendsOff, nullptr}, [](Dispatcher& d) { d.s_.room.setSendsOn(false); }},
    {{Match::Bare, Word::SendsOn, nullptr},
     [](Dispatcher& d) {
         d.s_.room.setSendsOn(true);
         d.s_.announcer.announceOrKeep();
     }},
    {{Match::Trigger, Word::Help, nullptr}, [](Dispatcher& d) { d.s_.chrome.showCcoms(); }},
    {{Match::Trigger, Word::Show, nullptr},
     [](Dispatcher& d) {
         d.s_.chrome.showMain();
         d.s_.room.sendGated(daggered(QStringLiteral("- Shows Ruz -")));
     }},
    {{Match::Trigger, Word::Stop, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.stop();
         d.s_.room.sendGated(daggered(QStringLiteral("- Stops Song -")));
     }},
    {{Match::Trigger, Word::Back, nullptr}, [](Dispatcher& d) { d.s_.transport.PreviousSong(); }},
    {{Match::Trigger, Word::Skip, nullptr}, [](Dispatcher& d) { d.s_.transport.NextSong(); }},
    {{Match::Trigger, Word::Last, nullptr},
     [](Dispatcher& d) { d.s_.transport.playEntry(d.s_.playlist.count() - 1); }},
    {{Match::Trigger, Word::First, nullptr}, [](Dispatcher& d) { d.s_.transport.playEntry(0); }},
    {{Match::Trigger, Word::Forward, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.nudgeBy(kSkipSeconds);
         d.s_.room.sendGated(daggered(QStringLiteral("- Forwards Song -")));
     }},
    {{Match::Trigger, Word::Rewind, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.nudgeBy(-kSkipSeconds);
         d.s_.room.sendGated(daggered(QStringLiteral("- Rewinds Song -")));
     }},
    {{Match::Trigger, Word::Pause, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.PauseSong();
         d.s_.room.sendGated(daggered(QStringLiteral("- Pauses Song") + d.s_.announcer.title() +
                                      QStringLiteral(" -")));
     }},
    {{Match::TriggerFixed, {}, u"resume"},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(daggered(QStringLiteral("- Resumes Song") + d.s_.announcer.title() +
                                      QStringLiteral(" -")));
     }},
    {{Match::Trigger, Word::Mute, nullptr}, [](Dispatcher& d) { d.muteCommand(); }},
    {{Match::Trigger, Word::RandomSong, nullptr},
     [](Dispatcher& d) { d.s_.transport.randomSong(); }},
    {{Match::Trigger, Word::Play, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(daggered(QStringLiteral("- Plays Song -")));
     }},
};

Dispatcher::Dispatcher(const Label& lblsn, std::function<Ccoms&()> words, Siblings siblings,
                       std::function<void()> endProgram)
    : lblsn_(lblsn), words_(std::move(words)), s_(siblings), endProgram_(std::move(endProgram)) {}

QString Dispatcher::screenName() const {
    return toQString(lblsn_.caption());
}

QString Dispatcher::textOf(const Pattern& pattern) {
    switch (pattern.match) {
        case Match::Bare:
            return toQString(words_().word(pattern.word));
        case Match::Trigger:
            return toQString(words_().command(pattern.word));
        case Match::TriggerFixed:
            return toQString(words_().word(Word::Trigger) + pattern.fixed);
        case Match::Fixed:
            return QString::fromUtf16(pattern.fixed);
    }
    return {};
}

void Dispatcher::aimchatscan(const QString& whosaid, const QString& whatsaid) {
    // Only the user commands the program, and only once the user's name is known; what the
    // program itself said comes back under that name and is no command.
    if (screenName().isEmpty() || whosaid != screenName() || s_.room.takeOwnLine(whatsaid)) {
        return;
    }
    // The argument: everything after the line's first blank.
    std::optional<QString> argument;
    if (const qsizetype blank = whatsaid.indexOf(u' '); blank >= 0) {
        argument = whatsaid.mid(blank + 1);
    }
    for (const ContainsRow& row : kContainsPhase) {
        if (row.contains(whatsaid, textOf(row.pattern))) {
            row.command(*this, argument);
        }
    }
    for (const ExactRow& row : kExactPhase) {
        if (whatsaid == textOf(row.pattern)) {
            row.command(*this);
            return;
        }
    }
}

void Dispatcher::volumeCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    const auto number = readNumber(*argument);
    if (const auto volume = number ? roundHalfEven(*number, kIntMin, kIntMax) : std::nullopt) {
        s_.transport.SetVolume(*volume);
    }
    s_.room.sendGated(QStringLiteral("Changing volume to ") + *argument);
}

void Dispatcher::setPositionCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    if (const auto seconds = readNumber(*argument)) {
        s_.transport.SeekTo(*seconds);
    }
    s_.room.sendGated(QStringLiteral("Set To ") + *argument + QStringLiteral(" Secounds"));
}

void Dispatcher::idleOnCommand(const std::optional<QString>& argument) {
    if (argument) {
        s_.presence.setReason(*argument);
    }
    if (s_.presence.IsIdle()) {
        s_.room.sendGated(screenName() + QStringLiteral(" You're Already Set Idle"));
        return;
    }
    s_.room.sendGated(goneIdleNotice(screenName(), s_.presence.reason()));
    s_.presence.EnterIdle(s_.presence.reason());
}

void Dispatcher::muteCommand() {
    const bool wasMuted = s_.transport.muted();
    s_.transport.ToggleMute();
    const QString verb = wasMuted ? QStringLiteral("- Un Mutes ") : QStringLiteral("- Mutes ");
    s_.room.send(daggered(verb + s_.announcer.title() + QStringLiteral(" -")));
}

}  // namespace ruz
