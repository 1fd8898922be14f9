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
#include "scanner/room_scanner.h"
#include "text/text.h"
#include "words/ccoms.h"

#include <iterator>

namespace ruz {

// Tested in this order; every one that matches runs, all with the same argument. The song search
// wants ".p" as a word of its own, so that ".pause", ".play" and "notes.pdf" search nothing.
const Dispatcher::ContainsRow Dispatcher::kContainsPhase[] = {
    {{Match::Trigger, Word::Volume, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<std::u16string>& a) { d.volumeCommand(a); }},
    {{Match::Trigger, Word::SetPosition, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<std::u16string>& a) { d.setPositionCommand(a); }},
    {{Match::Trigger, Word::IdleOn, nullptr},
     containsText,
     [](Dispatcher& d, const std::optional<std::u16string>& a) { d.idleOnCommand(a); }},
    {{Match::Fixed, {}, u".p"},
     containsEndedWord,
     [](Dispatcher& d, const std::optional<std::u16string>& a) { d.s_.playlist.searchSong(a); }},
};

// Compared in this order; the first equal row runs and ends the line's handling.
const Dispatcher::ExactRow Dispatcher::kExactPhase[] = {
    {{Match::Bare, Word::IdleOff, nullptr},
     [](Dispatcher& d) {
         d.s_.presence.LeaveIdle();
         d.s_.room.send(d.screenName() + u" Is Back From Afk");
     }},
    {{Match::Trigger, Word::Clear, nullptr}, [](Dispatcher& d) { d.s_.chat.emptyFront(); }},
    {{Match::Trigger, Word::Close, nullptr},
     [](Dispatcher& d) {
         d.s_.room.send(daggered(u"- Closes Room -"));
         d.s_.room.close();
     }},
    {{Match::TriggerFixed, {}, u"set?"},
     [](Dispatcher& d) {
         d.s_.room.send(text::format(u"Song Is %1 Secounds Long", d.s_.transport.lengthSeconds()));
     }},
    {{Match::Trigger, Word::End, nullptr},
     [](Dispatcher& d) {
         d.s_.room.send(daggered(u"- Closes Ruz -"));
         d.endProgram_();
     }},
    {{Match::Trigger, Word::Hide, nullptr},
     [](Dispatcher& d) {
         d.s_.chrome.hideMain();
         d.s_.room.sendGated(daggered(u"- Minimizes Ruz -"));
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
         d.s_.room.sendGated(daggered(u"- Shows Ruz -"));
     }},
    {{Match::Trigger, Word::Stop, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.stop();
         d.s_.room.sendGated(daggered(u"- Stops Song -"));
     }},
    {{Match::Trigger, Word::Back, nullptr}, [](Dispatcher& d) { d.s_.transport.PreviousSong(); }},
    {{Match::Trigger, Word::Skip, nullptr}, [](Dispatcher& d) { d.s_.transport.NextSong(); }},
    {{Match::Trigger, Word::Last, nullptr},
     [](Dispatcher& d) { d.s_.transport.playEntry(d.s_.playlist.count() - 1); }},
    {{Match::Trigger, Word::First, nullptr}, [](Dispatcher& d) { d.s_.transport.playEntry(0); }},
    {{Match::Trigger, Word::Forward, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.nudgeBy(kSkipSeconds);
         d.s_.room.sendGated(daggered(u"- Forwards Song -"));
     }},
    {{Match::Trigger, Word::Rewind, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.nudgeBy(-kSkipSeconds);
         d.s_.room.sendGated(daggered(u"- Rewinds Song -"));
     }},
    {{Match::Trigger, Word::Pause, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.PauseSong();
         d.s_.room.sendGated(daggered(text::format(u"- Pauses Song%1 -", d.s_.announcer.title())));
     }},
    {{Match::TriggerFixed, {}, u"resume"},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(daggered(text::format(u"- Resumes Song%1 -", d.s_.announcer.title())));
     }},
    {{Match::Trigger, Word::Mute, nullptr}, [](Dispatcher& d) { d.muteCommand(); }},
    {{Match::Trigger, Word::RandomSong, nullptr},
     [](Dispatcher& d) { d.s_.transport.randomSong(); }},
    {{Match::Trigger, Word::Play, nullptr},
     [](Dispatcher& d) {
         d.s_.transport.ResumeSong();
         d.s_.room.sendGated(daggered(u"- Plays Song -"));
     }},
};

Dispatcher::Dispatcher(const Label& lblsn, std::function<Ccoms&()> words, Siblings siblings,
                       std::function<void()> endProgram)
    : lblsn_(lblsn), words_(std::move(words)), s_(siblings), endProgram_(std::move(endProgram)) {}

std::u16string Dispatcher::screenName() const {
    return lblsn_.caption();
}

std::u16string Dispatcher::textOf(const Pattern& pattern) {
    switch (pattern.match) {
        case Match::Bare:
            return words_().word(pattern.word);
        case Match::Trigger:
            return words_().command(pattern.word);
        case Match::TriggerFixed:
            return words_().word(Word::Trigger) + pattern.fixed;
        case Match::Fixed:
            return pattern.fixed;
    }
    return {};
}

void Dispatcher::aimchatscan(std::u16string_view whosaid, std::u16string_view whatsaid) {
    // Only the user commands the program, and only once the user's name is known; what the
    // program itself said comes back under that name and is no command.
    const std::u16string name = screenName();
    if (name.empty() || whosaid != name || s_.room.takeOwnLine(whatsaid)) {
        return;
    }
    // The argument: everything after the line's first blank.
    std::optional<std::u16string> argument;
    if (const std::size_t blank = whatsaid.find(u' '); blank != std::u16string_view::npos) {
        argument = std::u16string(whatsaid.substr(blank + 1));
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

void Dispatcher::volumeCommand(const std::optional<std::u16string>& argument) {
    if (!argument) {
        return;
    }
    const auto number = readNumber(*argument);
    if (const auto volume = number ? roundHalfEven(*number, kIntMin, kIntMax) : std::nullopt) {
        s_.transport.SetVolume(*volume);
    }
    s_.room.sendGated(u"Changing volume to " + *argument);
}

void Dispatcher::setPositionCommand(const std::optional<std::u16string>& argument) {
    if (!argument) {
        return;
    }
    if (const auto seconds = readNumber(*argument)) {
        s_.transport.SeekTo(*seconds);
    }
    s_.room.sendGated(u"Set To " + *argument + u" Secounds");
}

void Dispatcher::idleOnCommand(const std::optional<std::u16string>& argument) {
    if (argument) {
        s_.presence.setReason(*argument);
    }
    if (s_.presence.IsIdle()) {
        s_.room.sendGated(screenName() + u" You're Already Set Idle");
        return;
    }
    s_.room.sendGated(goneIdleNotice(screenName(), s_.presence.reason()));
    s_.presence.EnterIdle(s_.presence.reason());
}

void Dispatcher::muteCommand() {
    const bool wasMuted = s_.transport.muted();
    s_.transport.ToggleMute();
    const std::u16string_view verb = wasMuted ? u"- Un Mutes " : u"- Mutes ";
    s_.room.send(daggered(text::format(u"%1%2 -", verb, s_.announcer.title())));
}

}  // namespace ruz
