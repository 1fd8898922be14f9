#pragma once

#include "words/word.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ruz {

class Announcer;
class ChatRoom;
class Ccoms;
class RoomScanner;
class Chrome;
class Label;
class Playlist;
class Presence;
class Transport;

// The dispatch of a chat line to the commands: the sender gate, then the contains phase (every
// matching row runs), then the exact phase (the first equal row runs), reading the command words
// afresh from `Ccoms` for every line.
class Dispatcher {
  public:
    // The subsystems the commands work on.
    struct Siblings {
        ChatRoom& room;
        RoomScanner& chat;  // The chat scanner
        Playlist& playlist;
        Transport& transport;
        Announcer& announcer;
        Presence& presence;
        Chrome& chrome;
    };
    Dispatcher(const Label& lblsn, std::function<Ccoms&()> words, Siblings siblings,
               std::function<void()> endProgram);

    // One chat line from the scanner.
    void aimchatscan(std::u16string_view whosaid, std::u16string_view whatsaid);

  private:
    // How a row's text is made: the word alone, the trigger and the word, the trigger and a
    // fixed word, or a fixed text alone.
    enum class Match { Bare, Trigger, TriggerFixed, Fixed };
    struct Pattern {
        Match match;
        Word word;
        const char16_t* fixed;
    };
    struct ContainsRow {
        Pattern pattern;
        // How the row's text must stand in the line.
        bool (*contains)(std::u16string_view line, std::u16string_view text);
        void (*command)(Dispatcher&, const std::optional<std::u16string>& argument);
    };
    struct ExactRow {
        Pattern pattern;
        void (*command)(Dispatcher&);
    };
    static const ContainsRow kContainsPhase[];
    static const ExactRow kExactPhase[];

    std::u16string textOf(const Pattern& pattern);
    std::u16string screenName() const;

    void volumeCommand(const std::optional<std::u16string>& argument);
    void setPositionCommand(const std::optional<std::u16string>& argument);
    void idleOnCommand(const std::optional<std::u16string>& argument);
    void muteCommand();

    const Label& lblsn_;
    std::function<Ccoms&()> words_;
    Siblings s_;
    std::function<void()> endProgram_;
};

}  // namespace ruz
