#pragma once

#include "controls/controls.h"

#include "text/text.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// One delivered chat line: sender, message and time stamp in braces.
struct ChatLine {
    std::u16string whosaid;
    std::u16string whatsaid;
    std::u16string datesaid;
};

// The last line of a transcript tail: from its last "<BR>" (letter case ignored) up to the tail's
// last-but-one character; "" when the tail holds no "<BR>".
std::u16string ExtractLastChatLine(std::u16string_view tail);
// The line without its markup: tags dropped, every ">" removed, the last character never kept.
std::u16string StripChatTags(std::u16string_view line);
// The messenger's character references ("&amp;", "&lt;", "&gt;", "&quot;", "&#NN;") decoded once,
// left to right; a reference it does not know, or a number outside Unicode, stays as written.
std::u16string decodeCharacterReferences(std::u16string_view text);
// "{" + the time stamp that follows "<!-- (" up to the next ")" + "}".
std::u16string dateSaid(std::u16string_view line);
// Cuts a raw transcript line into sender, message and time stamp.
ChatLine cutChatLine(std::u16string_view line);

// The lines of `markup` that begin in it: each from its "<BR>" (letter case ignored) up to the next
// one or the end; text before the first "<BR>" is no line of its own.
std::vector<std::u16string> splitChatLines(std::u16string_view markup);

// A text that grows at its end, such as a room's transcript, followed by its new part alone: only
// the end of what was read last is kept, to know the text again at the next read.
class GrowingText {
  public:
    // Reads the text from character `from` on and sets `length` to its whole length.
    using ReadFrom = std::function<std::u16string(text::Index from, text::Index& length)>;
    struct Read {
        bool continued = false;     // what was read last is still the text's start
        std::u16string text;        // the text from the kept end on (continued), or that read anew
        text::Index length = 0;     // the whole text's length
        text::Index freshFrom = 0;  // where in `text` the new part begins
        std::u16string_view fresh() const { return text::mid(text, freshFrom); }
    };

    explicit GrowingText(text::Index keptEnd) : keptEnd_(keptEnd) {}
    // Reads from the kept end on. A text that has lost lines from its start is followed from the
    // kept end where it now stands; one that does not continue what was read last (emptied or
    // replaced) is read anew from `restartFrom(length)`.
    Read read(const ReadFrom& readFrom,
              const std::function<text::Index(text::Index length)>& restartFrom) const;
    // What was read, up to `length`, ending in `text`, is now the baseline.
    void moveTo(std::u16string_view text, text::Index length);
    // Whatever the text holds next is new.
    void restart() { moveTo({}, 0); }
    const std::u16string& end() const { return end_; }

  private:
    text::Index keptEnd_;
    text::Index length_ = 0;
    std::u16string end_;
};

// The `chat` control: polls the rooms' transcripts every 500 ms and raises `aimchatscan` once for
// every line that has reached the frontmost room's transcript since, oldest first.
//
// Its place in a transcript belongs to that transcript's view: every poll reads every open room,
// the ones behind the front only to move their place to their end. So a room that comes to the
// front, first or again, is read on from where it stood at the last poll, and nothing that was in
// it before is heard. A room the last poll did not see (opened since, or back after the rooms
// were out of sight: signed on to a network and off again, a messenger restarted) is read from
// its end: what it held when it was first seen is history, never a command. Emptying a view puts
// back that view's place alone.
class RoomScanner {
  public:
    static constexpr int kPollIntervalMs = 500;
    // A view shorter than this holds no line.
    static constexpr int kMinTailLength = 3;
    // How much of the view's end is kept to know it again at the next poll.
    static constexpr int kTailLength = 500;

    // A transcript view, as the rooms tell them apart; 0: none.
    using ViewId = std::uintptr_t;
    using ReadFrom = GrowingText::ReadFrom;
    struct Views {
        // The open rooms' transcript views, the frontmost first.
        std::function<std::vector<ViewId>()> list;
        // View `view`'s text from character `from` on; `length` receives its whole length.
        std::function<std::u16string(ViewId view, text::Index from, text::Index& length)> readFrom;
        // Empties the frontmost view; the view emptied, 0 when there is none.
        std::function<ViewId()> empty;
    };
    // `window`, when given, is the registry of the window that holds `chat_tymer`.
    RoomScanner(TimerHost& host, Views views, ControlRegistry* window = nullptr);
    // One view, always in front.
    RoomScanner(TimerHost& host, ReadFrom readFrom, ControlRegistry* window = nullptr);

    // Switches polling on; every room's current transcript becomes its baseline.
    void scan_on();
    void scan_off();
    // One poll, as on every tick of `chat_tymer`.
    void poll();
    // The program has emptied view `view`: whatever it holds next is new.
    void viewEmptied(ViewId view);
    // The same for the view read last.
    void viewEmptied() { viewEmptied(readLast_); }
    // Empties the frontmost view (`.clear`): whatever it holds next is new.
    void emptyFront();
    // Reads what is new in the frontmost view first, then empties it (anti-lag).
    void readThenEmpty() {
        poll();
        emptyFront();
    }

    Timer chat_tymer;
    std::u16string fyrsttalk;
    std::u16string newlastlyne;
    std::u16string oldlastlyne;
    std::function<void(std::u16string& whosaid, std::u16string& whatsaid, std::u16string& datesaid)>
        aimchatscan;
    // The poll has gone past what view `view` held without delivering it (a room behind the
    // front, or one no longer open).
    std::function<void(ViewId view)> passedOver;

  private:
    // What of a view has been read.
    struct Seen {
        ViewId view = 0;
        GrowingText text{kTailLength};
    };
    void deliver(std::u16string_view line);
    // Whether the last poll saw `view`.
    bool isKnown(ViewId view) const;
    // The place kept for `view`, made at the view's start when it has none.
    Seen& seenFor(ViewId view);
    // Moves the place in `seen` to the view's end, delivering nothing.
    void skipToEnd(Seen& seen);
    // Forgets the views that are not in `open`.
    void forgetClosed(const std::vector<ViewId>& open);

    Views views_;
    // The views seen at the last poll, in no particular order.
    std::vector<Seen> seen_;
    ViewId readLast_ = 0;
    bool polling_ = false;
};

}  // namespace ruz
