#include "standin/transcript_markup.h"

#include <algorithm>
#include <array>

namespace ruz::standin {

namespace {

constexpr std::string_view kBreak = "<BR>";
constexpr std::string_view kStampOpen = "<BR><!-- (";
constexpr std::string_view kStampClose = ")--><FONT COLOR=\"#";

// The parts a line holds after its time stamp, as the writers put them.
struct Shape {
    ReadBack::Kind kind;
    std::string_view open;       // after the stamp, up to the sender or the room's text
    std::string_view separator;  // between sender and message; "" for a room line
    std::string_view close;      // the end of the line
};
constexpr std::array kShapes{
    Shape{ReadBack::Kind::Member, "0000ff\"><B>",
          "</B></FONT><FONT COLOR=\"#000000\">: ", "</FONT>"},
    Shape{ReadBack::Kind::Room, "808080\">: <I>", "", "</I></FONT>"},
};

// The inverse of appendEscaped: "&amp;", "&lt;" and "&gt;" back to their characters, once.
std::string unescaped(std::string_view text) {
    struct Reference {
        std::string_view written;
        char c;
    };
    static constexpr std::array kReferences{Reference{"&amp;", '&'}, Reference{"&lt;", '<'},
                                            Reference{"&gt;", '>'}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        const auto* found =
            std::find_if(kReferences.begin(), kReferences.end(),
                         [&](const Reference& r) { return rest.starts_with(r.written); });
        if (found != kReferences.end()) {
            out += found->c;
            i += found->written.size() - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A line no writer here made: its text without the tags.
ReadBack otherLine(std::string_view line) {
    std::string text;
    bool inTag = false;
    for (const char c : line) {
        if (c == '<') {
            inTag = true;
        } else if (c == '>') {
            inTag = false;
        } else if (!inTag) {
            text += c;
        }
    }
    return {ReadBack::Kind::Other, {}, {}, unescaped(text)};
}

}  // namespace

ReadBack readTranscriptLine(std::string_view line) {
    if (!line.starts_with(kStampOpen)) {
        return otherLine(line);
    }
    const std::string_view stamped = line.substr(kStampOpen.size());
    const std::size_t timeEnd = stamped.find(kStampClose);
    if (timeEnd == std::string_view::npos) {
        return otherLine(line);
    }
    const std::string_view rest = stamped.substr(timeEnd + kStampClose.size());
    for (const Shape& shape : kShapes) {
        if (!rest.starts_with(shape.open) || !rest.ends_with(shape.close) ||
            rest.size() < shape.open.size() + shape.close.size()) {
            continue;
        }
        std::string_view body =
            rest.substr(shape.open.size(), rest.size() - shape.open.size() - shape.close.size());
        ReadBack read{shape.kind, std::string(stamped.substr(0, timeEnd)), {}, {}};
        if (!shape.separator.empty()) {
            // The sender's "<" is escaped: the first separator ends the sender.
            const std::size_t cut = body.find(shape.separator);
            if (cut == std::string_view::npos) {
                continue;
            }
            read.sender = unescaped(body.substr(0, cut));
            body.remove_prefix(cut + shape.separator.size());
        }
        read.text = unescaped(body);
        return read;
    }
    return otherLine(line);
}

std::vector<ReadBack> readTranscript(std::string_view markup) {
    std::vector<ReadBack> lines;
    std::size_t start = markup.find(kBreak);
    while (start != std::string_view::npos) {
        const std::size_t next = markup.find(kBreak, start + 1);
        lines.push_back(readTranscriptLine(markup.substr(start, next - start)));
        start = next;
    }
    return lines;
}

}  // namespace ruz::standin
