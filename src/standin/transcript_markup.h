#pragma once

#include <string>
#include <string_view>

namespace ruz::standin {

// One line of the messenger's transcript markup, as its chat-room view appends it:
// <BR><!-- (TIME)--><FONT COLOR="#0000ff"><B>SENDER</B></FONT><FONT COLOR="#000000">:
// MESSAGE</FONT> The message has "&" and "<" written as "&amp;" and "&lt;"; ">" stays as typed. All
// three texts are in the view's own encoding (code page 1252 bytes).
inline std::string TranscriptLine(std::string_view time, std::string_view sender,
                                  std::string_view message) {
    std::string line = "<BR><!-- (";
    line += time;
    line += ")--><FONT COLOR=\"#0000ff\"><B>";
    line += sender;
    line += "</B></FONT><FONT COLOR=\"#000000\">: ";
    for (const char c : message) {
        if (c == '&') {
            line += "&amp;";
        } else if (c == '<') {
            line += "&lt;";
        } else {
            line += c;
        }
    }
    line += "</FONT>";
    return line;
}

}  // namespace ruz::standin
