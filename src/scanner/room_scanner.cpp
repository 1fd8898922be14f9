#include "scanner/room_scanner.h"

#include <algorithm>
#include <iterator>

namespace ruz {

namespace {
constexpr std::u16string_view kLineBreak = u"<BR>";
constexpr std::u16string_view kStampOpen = u"<!-- (";

// Runs `done` when it goes out of scope.
template <typename Done>
class AtExit {
  public:
    explicit AtExit(Done done) : done_(std::move(done)) {}
    ~AtExit() { done_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

  private:
    Done done_;
};
}  // namespace

std::u16string ExtractLastChatLine(std::u16string_view tail) {
    const text::Index at = text::lastIndexOfIgnoringCase(tail, kLineBreak);
    if (at < 0) {
        return {};
    }
    return std::u16string(text::mid(tail, at, static_cast<text::Index>(tail.size()) - at - 1));
}

std::u16string StripChatTags(std::u16string_view line) {
    std::u16string kept;
    kept.reserve(line.size());
    // The last character is never examined.
    const std::size_t end = line.empty() ? 0 : line.size() - 1;
    for (std::size_t i = 0; i < end; ++i) {
        const char16_t c = line[i];
        if (c != u'<') {
            if (c != u'>') {
                kept += c;
            }
            continue;
        }
        std::size_t close = i + 1;
        while (close < end && line[close] != u'>') {
            ++close;
        }
        if (close >= end) {
            break;  // an unterminated tag is dropped with the rest of the line
        }
        i = close;
    }
    return kept;
}

std::u16string decodeCharacterReferences(std::u16string_view text) {
    struct Named {
        std::u16string_view name;
        char16_t c;
    };
    static constexpr Named kNamed[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}};
    constexpr std::size_t kMaxDigits = 7;
    constexpr std::u16string_view kNumberOpen = u"&#";
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        const std::u16string_view rest = text.substr(i);
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                        [&](const Named& n) { return rest.starts_with(n.name); });
        if (named != std::end(kNamed)) {
            out += named->c;
            i += named->name.size() - 1;
            continue;
        }
        // "&#" digits ";"
        std::size_t end = kNumberOpen.size();
        while (end < rest.size() && end < kNumberOpen.size() + kMaxDigits &&
               text::isAsciiDigit(rest[end])) {
            ++end;
        }
        const unsigned code =
            rest.starts_with(kNumberOpen) && end > kNumberOpen.size() && end < rest.size() &&
                    rest[end] == u';'
                ? text::readUInt(rest.substr(kNumberOpen.size(), end - kNumberOpen.size()))
                      .value_or(0)
                : 0;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out += text[i];
            continue;
        }
        text::appendCodePoint(out, code);
        i += end;
    }
    return out;
}

std::u16string dateSaid(std::u16string_view line) {
    const std::size_t found = line.find(kStampOpen);
    // Without a stamp the collection starts at the sixth character, as the search's "not found"
    // position plus the length of the opener.
    const std::size_t start =
        found != std::u16string_view::npos ? found + kStampOpen.size() : kStampOpen.size() - 1;
    std::u16string stamp(1, u'{');
    for (std::size_t i = start; i + 1 < line.size(); ++i) {
        if (line[i] == u')') {
            break;
        }
        stamp += line[i];
    }
    stamp += u'}';
    return stamp;
}

ChatLine cutChatLine(std::u16string_view line) {
    ChatLine cut;
    cut.datesaid = dateSaid(line);
    const std::u16string cleaned = StripChatTags(line);
    const text::Index colon = text::indexOf(cleaned, u':');  // 0-based; -1 when none
    // The character references are decoded after the cut, so that none makes a colon.
    cut.whosaid =
        colon > 0 ? decodeCharacterReferences(text::left(cleaned, colon)) : std::u16string();
    // The character after the colon (as a rule a blank) is skipped; without a colon the message
    // is the line without its first character.
    cut.whatsaid = decodeCharacterReferences(text::mid(cleaned, colon >= 0 ? colon + 2 : 1));
    return cut;
}

namespace {
// The view of a reader that knows one view only.
constexpr RoomScanner::ViewId kOnlyView = 1;
}  // namespace

RoomScanner::RoomScanner(TimerHost& host, Views views, ControlRegistry* window)
    : chat_tymer(
          window != nullptr ? ControlName(*window, u"chat_tymer") : ControlName(u"chat_tymer"),
          host, kPollIntervalMs, true),
      views_(std::move(views)) {
    chat_tymer.onTick = [this] { poll(); };
}

RoomScanner::RoomScanner(TimerHost& host, ReadFrom readFrom, ControlRegistry* window)
    : RoomScanner(
          host,
          Views{[] { return std::vector<ViewId>{kOnlyView}; },
                [readFrom = std::move(readFrom)](ViewId, text::Index from, text::Index& length) {
                    return readFrom(from, length);
                },
                {}},
          window) {}

RoomScanner::Seen& RoomScanner::seenFor(ViewId view) {
    const auto found =
        std::find_if(seen_.begin(), seen_.end(), [view](const Seen& s) { return s.view == view; });
    if (found != seen_.end()) {
        return *found;
    }
    seen_.push_back({view, GrowingText(kTailLength)});
    return seen_.back();
}

bool RoomScanner::isKnown(ViewId view) const {
    return std::any_of(seen_.begin(), seen_.end(),
                       [view](const Seen& s) { return s.view == view; });
}

void RoomScanner::skipToEnd(Seen& seen) {
    const ViewId view = seen.view;
    const GrowingText::Read read = seen.text.read(
        [&](text::Index from, text::Index& length) { return views_.readFrom(view, from, length); },
        [](text::Index length) { return std::max<text::Index>(0, length - kTailLength); });
    seen.text.moveTo(read.text, read.length);
    if (passedOver) {
        passedOver(view);
    }
}

void RoomScanner::forgetClosed(const std::vector<ViewId>& open) {
    std::vector<ViewId> closed;
    std::erase_if(seen_, [&](const Seen& s) {
        const bool gone = std::find(open.begin(), open.end(), s.view) == open.end();
        if (gone) {
            closed.push_back(s.view);
        }
        return gone;
    });
    for (const ViewId view : closed) {
        if (passedOver) {
            passedOver(view);
        }
    }
}

void RoomScanner::scan_on() {
    chat_tymer.setEnabled(true);
    const std::vector<ViewId> views = views_.list();
    forgetClosed(views);
    for (const ViewId view : views) {
        skipToEnd(seenFor(view));
    }
    fyrsttalk = views.empty() ? std::u16string() : seenFor(views.front()).text.end();
}

void RoomScanner::scan_off() {
    chat_tymer.setEnabled(false);
}

void RoomScanner::viewEmptied(ViewId view) {
    const auto found =
        std::find_if(seen_.begin(), seen_.end(), [view](const Seen& s) { return s.view == view; });
    if (found != seen_.end()) {
        found->text.restart();
    }
}

void RoomScanner::deliver(std::u16string_view line) {
    newlastlyne = line;
    oldlastlyne = line;
    ChatLine cut = cutChatLine(line);
    if (aimchatscan) {
        aimchatscan(cut.whosaid, cut.whatsaid, cut.datesaid);
    }
}

void RoomScanner::emptyFront() {
    const ViewId view = views_.empty ? views_.empty() : 0;
    if (view != 0) {
        viewEmptied(view);
    }
}

void RoomScanner::poll() {
    // A line handled may let timers tick (a question answered after a while): a poll that comes
    // then waits for the next tick.
    if (polling_) {
        return;
    }
    polling_ = true;
    const AtExit done([this] { polling_ = false; });
    const std::vector<ViewId> views = views_.list();
    forgetClosed(views);
    if (views.empty()) {
        return;
    }
    // The rooms behind the front: what reaches them now is passed over.
    for (std::size_t i = 1; i < views.size(); ++i) {
        skipToEnd(seenFor(views[i]));
    }
    const ViewId front = views.front();
    readLast_ = front;
    // A view not seen at the last poll (opened since, or back after the window system changed)
    // holds history: it is read on from its end.
    const bool known = isKnown(front);
    Seen& place = seenFor(front);
    if (!known) {
        skipToEnd(place);
        return;
    }
    GrowingText& seen = place.text;
    const auto readFrom = [&](text::Index from, text::Index& length) {
        return views_.readFrom(front, from, length);
    };
    // Read anew, only the view's tail matters: its last line.
    const GrowingText::Read read = seen.read(readFrom, [](text::Index length) {
        return std::max<text::Index>(0, length - kTailLength);
    });
    if (read.length < kMinTailLength) {
        return;
    }
    if (!read.continued) {
        // Emptied, cut or replaced by someone else: only the view's last line can be told new,
        // when it is neither the line delivered last nor the last one this view held before.
        const std::u16string before = ExtractLastChatLine(seen.end());
        seen.moveTo(read.text, read.length);
        const std::u16string last = ExtractLastChatLine(read.text);
        newlastlyne = last;
        if (last != oldlastlyne && last != before) {
            deliver(last);
        }
        return;
    }
    std::u16string fresh(read.fresh());
    if (!fresh.empty() && !text::startsWithIgnoringCase(fresh, kLineBreak)) {
        // Text without a break first continues the line read last.
        const std::u16string& before = seen.end();
        const text::Index lineStart = text::lastIndexOfIgnoringCase(before, kLineBreak);
        if (lineStart >= 0) {
            fresh.insert(0, text::mid(before, lineStart));
        }
    }
    // The baseline moves first: a line may empty the view while it is handled.
    seen.moveTo(read.text, read.length);
    for (const std::u16string& line : splitChatLines(fresh)) {
        // A line never keeps its last character, as the tail's last line never did.
        deliver(text::chopped(line, 1));
    }
}

std::vector<std::u16string> splitChatLines(std::u16string_view markup) {
    std::vector<std::u16string> lines;
    text::Index start = text::indexOfIgnoringCase(markup, kLineBreak);
    while (start >= 0) {
        const text::Index next = text::indexOfIgnoringCase(markup, kLineBreak, start + 1);
        const text::Index end = next >= 0 ? next : static_cast<text::Index>(markup.size());
        lines.emplace_back(text::mid(markup, start, end - start));
        start = next;
    }
    return lines;
}

GrowingText::Read GrowingText::read(
    const ReadFrom& readFrom,
    const std::function<text::Index(text::Index length)>& restartFrom) const {
    Read read;
    const auto kept = static_cast<text::Index>(end_.size());
    read.text = readFrom(length_ - kept, read.length);
    read.continued = read.length >= length_ && read.text.starts_with(end_);
    read.freshFrom = kept;
    if (read.continued) {
        return read;
    }
    // A text that keeps only its last lines has lost some from its start: what was read last is
    // then further to the front. Of several places, the latest one that the loss allows is taken
    // (the smallest loss), so no line is raised twice; only a text that repeats its kept end word
    // for word could hide a line between two such places.
    const std::u16string whole = readFrom(0, read.length);
    const text::Index latest = std::min(length_, static_cast<text::Index>(whole.size())) - kept;
    const text::Index at =
        kept == keptEnd_ && latest >= 0 ? text::lastIndexOf(whole, end_, latest) : -1;
    if (at >= 0) {
        read.continued = true;
        read.text = text::mid(whole, at);
        return read;
    }
    read.text = text::mid(whole, restartFrom(read.length));
    read.freshFrom = 0;
    return read;
}

void GrowingText::moveTo(std::u16string_view text, text::Index length) {
    length_ = length;
    end_ = text::right(text, keptEnd_);
}

}  // namespace ruz
