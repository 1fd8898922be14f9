#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::standin {

// How a text is escaped: "&" and "<" always; ">" in a name only, as a message keeps it as typed.
enum class Escape { Message, Name };

// `text` with "&" and "<" written as "&amp;" and "&lt;", and in a name ">" as "&gt;".
inline void appendEscaped(std::string& line, std::string_view text,
                          Escape escape = Escape::Message) {
    struct Reference {
        char c;
        const char* written;
        bool inMessage;
    };
    static constexpr Reference kReferences[] = {
        {'&', "&amp;", true}, {'<', "&lt;", true}, {'>', "&gt;", false}};
    for (const char c : text) {
        const auto found =
            std::find_if(std::begin(kReferences), std::end(kReferences), [&](const Reference& r) {
                return r.c == c && (r.inMessage || escape == Escape::Name);
            });
        if (found != std::end(kReferences)) {
            line += found->written;
        } else {
            line += c;
        }
    }
}

// One line of the messenger's transcript markup, as its chat-room view appends it:
// <BR><!-- (TIME)--><FONT COLOR="#0000ff"><B>SENDER</B></FONT><FONT COLOR="#000000">:
// MESSAGE</FONT> The sender and the message are escaped (appendEscaped), the sender's ">" too, so
// that no name carries markup and none loses a character to the reader. All three texts are in the
// view's own encoding (code page 1252 bytes, or UTF-8 in a linked room).
inline std::string transcriptLine(std::string_view time, std::string_view sender,
                                  std::string_view message) {
    std::string line = "<BR><!-- (";
    line += time;
    line += ")--><FONT COLOR=\"#0000ff\"><B>";
    appendEscaped(line, sender, Escape::Name);
    line += "</B></FONT><FONT COLOR=\"#000000\">: ";
    appendEscaped(line, message);
    line += "</FONT>";
    return line;
}

// A line of the room itself (someone entered or left, the connection dropped), under no member's
// name: <BR><!-- (TIME)--><FONT COLOR="#808080">: <I>TEXT</I></FONT>
// The colon comes first, so the line's sender is empty whatever the text holds.
inline std::string roomLine(std::string_view time, std::string_view text) {
    std::string line = "<BR><!-- (";
    line += time;
    line += ")--><FONT COLOR=\"#808080\">: <I>";
    appendEscaped(line, text);
    line += "</I></FONT>";
    return line;
}

// A line of the transcript read back: transcriptLine and roomLine inverted, each text unescaped
// once. Any other line (the markup of another writer) keeps its text without the tags, unescaped.
struct ReadBack {
    enum class Kind { Member, Room, Other };
    Kind kind = Kind::Other;
    std::string time;    // "" for an Other line
    std::string sender;  // "" for a Room or Other line
    std::string text;    // the message, the room's text, or the other line's text
};

// Reads one line, from its "<BR>" up to the next one (or the end).
ReadBack readTranscriptLine(std::string_view line);
// The lines of `markup`, each from a "<BR>"; text before the first "<BR>" is no line.
std::vector<ReadBack> readTranscript(std::string_view markup);

}  // namespace ruz::standin
