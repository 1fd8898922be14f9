#pragma once

#include <string>
#include <string_view>

namespace ruz::standin {

// `text` with "&" and "<" written as "&amp;" and "&lt;"; ">" stays as typed.
inline void AppendEscaped(std::string& line, std::string_view text) {
    for (const char c : text) {
        if (c == '&') {
            line += "&amp;";
        } else if (c == '<') {
            line += "&lt;";
        } else {
            line += c;
        }
    }
}

// One line of the messenger's transcript markup, as its chat-room view appends it:
// <BR><!-- (TIME)--><FONT COLOR="#0000ff"><B>SENDER</B></FONT><FONT COLOR="#000000">:
// MESSAGE</FONT> The sender and the message are escaped alike (AppendEscaped), so that no name
// carries markup. All three texts are in the view's own encoding (code page 1252 bytes, or UTF-8
// in a linked room).
inline std::string TranscriptLine(std::string_view time, std::string_view sender,
                                  std::string_view message) {
    std::string line = "<BR><!-- (";
    line += time;
    line += ")--><FONT COLOR=\"#0000ff\"><B>";
    AppendEscaped(line, sender);
    line += "</B></FONT><FONT COLOR=\"#000000\">: ";
    AppendEscaped(line, message);
    line += "</FONT>";
    return line;
}

// A line of the room itself (someone entered or left, the connection dropped), under no member's
// name: <BR><!-- (TIME)--><FONT COLOR="#808080">: <I>TEXT</I></FONT>
// The colon comes first, so the line's sender is empty whatever the text holds.
inline std::string RoomLine(std::string_view time, std::string_view text) {
    std::string line = "<BR><!-- (";
    line += time;
    line += ")--><FONT COLOR=\"#808080\">: <I>";
    AppendEscaped(line, text);
    line += "</I></FONT>";
    return line;
}

}  // namespace ruz::standin
