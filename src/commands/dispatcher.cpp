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
#include "scanner/chat.h"
#include "words/ccoms.h"

#include <iterator>

namespace ruz {

// Tested in this order; every one that matches runs, all with the same argument. The song search
// wants ".p" as a word of its own, so that ".pause", ".play" and "notes.pdf" search nothing.
const Dispatcher::ContainsRow Dispatcher::kContainsPhase[] = {
    {{Match::Trigger, Word::Volume, nullptr},
     ContainsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.VolumeCommand(a); }},
    {{Match::Trigger, Word::SetPosition, nullptr},
     ContainsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.SetPositionCommand(a); }},
    {{Match::Trigger, Word::IdleOn, nullptr},
     ContainsText,
     [](Dispatcher& d, const std::optional<QString>& a) { d.IdleOnCommand(a); }},
    {{Match::Fixed, {}, u".p"},
     ContainsEndedWord,
     [](Dispatcher& d, const std::optional<QString>& a) { d.s_.playlist.SearchSong(a); }},
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
         d.s_.room.send(Daggered(QStringLiteral("- Closes Room -")));
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
         d.s_.room.send(Daggered(QStringLiteral("- Closes Ruz -")));
         d.endProgram_();
     }},
    {{Match::Trigger, Word::Hide, nullptr},
     [](Dispatcher& d) {
         d.s_.chrome.hideMain();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Minimizes Ruz -")));
     }},
    {{Match::Bare, Word::SendsOff, nullptr}, [](Dispatcher& d) { d.s_.room.setSendsOn(false); }},
    {{Match::Bare, Word::SendsOn, nullptr},
     [](Dispatcher& d) {
         d.s_.room.setSendsOn(true);
         d.s_.announcer.AnnounceOrKeep();
     }},
    {{Match::Trigger, Word::Help, nullptr}, [](Dispatcher& d) { d.s_.chrome.showCcoms(); }},
    {{Match::Trigger, Word::Show, nullptr},
     [](Dispatcher& d) {
         d.s_.chrome.showMain();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Shows Ruz -")));
     }},
    {{Match::Trigger, Word::Stop, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.Stop();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Stops Song -")));
     }},
    {{Match::Trigger, Word::Back, nullptr}, [](Dispatcher& d) { d.s_.transport.PreviousSong(); }},
    {{Match::Trigger, Word::Skip, nullptr}, [](Dispatcher& d) { d.s_.transport.NextSong(); }},
    {{Match::Trigger, Word::Last, nullptr},
     [](Dispatcher& d) { d.s_.transport.PlayEntry(d.s_.playlist.count() - 1); }},
    {{Match::Trigger, Word::First, nullptr}, [](Dispatcher& d) { d.s_.transport.PlayEntry(0); }},
    {{Match::Trigger, Word::Forward, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.NudgeBy(kSkipSeconds);
         d.s_.room.sendGated(Daggered(QStringLiteral("- Forwards Song -")));
     }},
    {{Match::Trigger, Word::Rewind, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.NudgeBy(-kSkipSeconds);
         d.s_.room.sendGated(Daggered(QStringLiteral("- Rewinds Song -")));
     }},
    {{Match::Trigger, Word::Pause, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.PauseSong();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Pauses Song") + d.s_.announcer.title() +
                                      QStringLiteral(" -")));
     }},
    {{Match::TriggerFixed, {}, u"resume"},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Resumes Song") + d.s_.announcer.title() +
                                      QStringLiteral(" -")));
     }},
    {{Match::Trigger, Word::Mute, nullptr}, [](Dispatcher& d) { d.MuteCommand(); }},
    {{Match::Trigger, Word::RandomSong, nullptr},
     [](Dispatcher& d) { d.s_.transport.RandomSong(); }},
    {{Match::Trigger, Word::Play, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(Daggered(QStringLiteral("- Plays Song -")));
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

void Dispatcher::VolumeCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    const auto number = readNumber(*argument);
    if (const auto volume = number ? roundHalfEven(*number, kIntMin, kIntMax) : std::nullopt) {
        s_.transport.SetVolume(*volume);
    }
    s_.room.sendGated(QStringLiteral("Changing volume to ") + *argument);
}

void Dispatcher::SetPositionCommand(const std::optional<QString>& argument) {
    if (!argument) {
        return;
    }
    if (const auto seconds = readNumber(*argument)) {
        s_.transport.SeekTo(*seconds);
    }
    s_.room.sendGated(QStringLiteral("Set To ") + *argument + QStringLiteral(" Secounds"));
}

void Dispatcher::IdleOnCommand(const std::optional<QString>& argument) {
    if (argument) {
        s_.presence.setReason(*argument);
    }
    if (s_.presence.IsIdle()) {
        s_.room.sendGated(screenName() + QStringLiteral(" You're Already Set Idle"));
        return;
    }
    s_.room.sendGated(GoneIdleNotice(screenName(), s_.presence.reason()));
    s_.presence.EnterIdle(s_.presence.reason());
}

void Dispatcher::MuteCommand() {
    const bool wasMuted = s_.transport.muted();
    s_.transport.ToggleMute();
    const QString verb = wasMuted ? QStringLiteral("- Un Mutes ") : QStringLiteral("- Mutes ");
    s_.room.send(Daggered(verb + s_.announcer.title() + QStringLiteral(" -")));
}

}  // namespace ruz
