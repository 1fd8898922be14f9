#include "scanner/room_scanner.h"

#include <QScopeGuard>

#include <algorithm>
#include <iterator>

namespace ruz {

namespace {
const QString kLineBreak = QStringLiteral("<BR>");
const QString kStampOpen = QStringLiteral("<!-- (");
}  // namespace

QString ExtractLastChatLine(const QString& tail) {
    const qsizetype at = tail.lastIndexOf(kLineBreak, -1, Qt::CaseInsensitive);
    if (at < 0) {
        return {};
    }
    return tail.mid(at, tail.size() - at - 1);
}

QString StripChatTags(const QString& line) {
    QString kept;
    kept.reserve(line.size());
    const qsizetype end = line.size() - 1;  // the last character is never examined
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = line[i];
        if (c != u'<') {
            if (c != u'>') {
                kept.append(c);
            }
            continue;
        }
        qsizetype close = i + 1;
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

QString decodeCharacterReferences(const QString& text) {
    struct Named {
        QStringView name;
        char16_t c;
    };
    static constexpr Named kNamed[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}};
    constexpr int kMaxDigits = 7;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out.append(text[i]);
            continue;
        }
        const QStringView rest = QStringView(text).mid(i);
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                        [&](const Named& n) { return rest.startsWith(n.name); });
        if (named != std::end(kNamed)) {
            out.append(QChar(named->c));
            i += named->name.size() - 1;
            continue;
        }
        // "&#" digits ";"
        qsizetype end = 2;
        while (end < rest.size() && end < 2 + kMaxDigits && rest[end].isDigit() &&
               rest[end].unicode() < 128) {
            ++end;
        }
        const uint code =
            rest.startsWith(u"&#") && end > 2 && end < rest.size() && rest[end] == u';'
                ? rest.mid(2, end - 2).toUInt()
                : 0;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.append(text[i]);
            continue;
        }
        const char32_t scalar = code;
        out.append(QString::fromUcs4(&scalar, 1));
        i += end;
    }
    return out;
}

QString dateSaid(const QString& line) {
    const qsizetype found = line.indexOf(kStampOpen);
    // Without a stamp the collection starts at the sixth character, as the search's "not found"
    // position plus the length of the opener.
    const qsizetype start = found >= 0 ? found + kStampOpen.size() : kStampOpen.size() - 1;
    QString stamp;
    for (qsizetype i = start; i < line.size() - 1; ++i) {
        if (line[i] == u')') {
            break;
        }
        stamp.append(line[i]);
    }
    return u'{' + stamp + u'}';
}

ChatLine cutChatLine(const QString& line) {
    ChatLine cut;
    cut.datesaid = dateSaid(line);
    const QString cleaned = StripChatTags(line);
    const qsizetype colon = cleaned.indexOf(u':');  // 0-based; -1 when none
    // The character references are decoded after the cut, so that none makes a colon.
    cut.whosaid = colon > 0 ? decodeCharacterReferences(cleaned.left(colon)) : QString();
    // The character after the colon (as a rule a blank) is skipped; without a colon the message
    // is the line without its first character.
    cut.whatsaid = decodeCharacterReferences(cleaned.mid(colon >= 0 ? colon + 2 : 1));
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
                [readFrom = std::move(readFrom)](ViewId, qsizetype from, qsizetype& length) {
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

void RoomScanner::skipToEnd(Seen& seen) {
    const ViewId view = seen.view;
    const GrowingText::Read read = seen.text.read(
        [&](qsizetype from, qsizetype& length) { return views_.readFrom(view, from, length); },
        [](qsizetype length) { return std::max<qsizetype>(0, length - kTailLength); });
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
    fyrsttalk = views.empty() ? QString() : seenFor(views.front()).text.end();
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

void RoomScanner::deliver(const QString& line) {
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
    const auto done = qScopeGuard([this] { polling_ = false; });
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
    GrowingText& seen = seenFor(front).text;
    const auto readFrom = [&](qsizetype from, qsizetype& length) {
        return views_.readFrom(front, from, length);
    };
    // Read anew, only the view's tail matters: its last line.
    const GrowingText::Read read = seen.read(
        readFrom, [](qsizetype length) { return std::max<qsizetype>(0, length - kTailLength); });
    if (read.length < kMinTailLength) {
        return;
    }
    if (!read.continued) {
        // Emptied, cut or replaced by someone else: only the view's last line can be told new,
        // when it is neither the line delivered last nor the last one this view held before.
        const QString before = ExtractLastChatLine(seen.end());
        seen.moveTo(read.text, read.length);
        const QString last = ExtractLastChatLine(read.text);
        newlastlyne = last;
        if (last != oldlastlyne && last != before) {
            deliver(last);
        }
        return;
    }
    QString fresh = read.fresh().toString();
    if (!fresh.isEmpty() && !fresh.startsWith(kLineBreak, Qt::CaseInsensitive)) {
        // Text without a break first continues the line read last.
        const QString& before = seen.end();
        const qsizetype lineStart = before.lastIndexOf(kLineBreak, -1, Qt::CaseInsensitive);
        fresh.prepend(lineStart >= 0 ? before.mid(lineStart) : QString());
    }
    // The baseline moves first: a line may empty the view while it is handled.
    seen.moveTo(read.text, read.length);
    for (const QString& line : splitChatLines(fresh)) {
        // A line never keeps its last character, as the tail's last line never did.
        deliver(line.chopped(1));
    }
}

QStringList splitChatLines(QStringView markup) {
    QStringList lines;
    qsizetype start = markup.indexOf(kLineBreak, 0, Qt::CaseInsensitive);
    while (start >= 0) {
        const qsizetype next = markup.indexOf(kLineBreak, start + 1, Qt::CaseInsensitive);
        lines.append(markup.mid(start, (next >= 0 ? next : markup.size()) - start).toString());
        start = next;
    }
    return lines;
}

GrowingText::Read GrowingText::read(
    const ReadFrom& readFrom, const std::function<qsizetype(qsizetype length)>& restartFrom) const {
    Read read;
    read.text = readFrom(length_ - end_.size(), read.length);
    read.continued = read.length >= length_ && read.text.startsWith(end_);
    read.freshFrom = end_.size();
    if (read.continued) {
        return read;
    }
    // A text that keeps only its last lines has lost some from its start: what was read last is
    // then further to the front. Of several places, the latest one that the loss allows is taken
    // (the smallest loss), so no line is raised twice; only a text that repeats its kept end word
    // for word could hide a line between two such places.
    const QString whole = readFrom(0, read.length);
    const qsizetype latest = std::min(length_, whole.size()) - end_.size();
    const qsizetype at =
        end_.size() == keptEnd_ && latest >= 0 ? whole.lastIndexOf(end_, latest) : -1;
    if (at >= 0) {
        read.continued = true;
        read.text = whole.mid(at);
        return read;
    }
    read.text = whole.mid(restartFrom(read.length));
    read.freshFrom = 0;
    return read;
}

void GrowingText::moveTo(const QString& text, qsizetype length) {
    length_ = length;
    end_ = text.right(keptEnd_);
}

}  // namespace ruz
