// The messenger link's operations against chat rooms and dialog windows played by a RoomDriver:
// the same checks for the in-process window model and for real Win32 windows.
#include "link_checks.h"

#include "messenger/aimchat.h"
#include "platform/winsys/codepage.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace ruz::linkcheck {

namespace {

constexpr const char* kTime = "10:31:02 PM";
constexpr const char* kUser = "bob";

// One line of the transcript as the messenger writes it (sender and message already escaped).
std::string line(const std::string& sender, const std::string& message) {
    return std::string("<BR><!-- (") + kTime + ")--><FONT COLOR=\"#0000ff\"><B>" + sender +
           "</B></FONT><FONT COLOR=\"#000000\">: " + message + "</FONT>";
}

// The screen-name cut of the messenger:mate answer: the caption before its first apostrophe, or
// the whole caption without one.
std::string cutBeforeFirstApostrophe(const std::string& caption) {
    const std::size_t at = caption.find('\'');
    return at == std::string::npos ? caption : caption.substr(0, at);
}

// `length` bytes that differ from their neighbours, so that a cut in the wrong place shows.
std::string patterned(std::size_t length) {
    std::string text;
    text.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    return text;
}

// Printable ASCII stays, with a backslash before each backslash and double quote; every other
// byte is written \xNN, so the report is plain ASCII whatever the texts hold. Long texts are
// shortened in the middle.
std::string shown(const std::string& text) {
    constexpr std::size_t kKeep = 120;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.size() > 2 * kKeep && i == kKeep) {
            out += "...(" + std::to_string(text.size()) + " bytes)...";
            i = text.size() - kKeep;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\' || byte == '"') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out + "\"";
}

// What a check sees: the driver, the link under check, and its expectations.
class Check {
  public:
    explicit Check(RoomDriver& driver) : driver(driver), chat(driver.windows()) {}

    void equal(const std::string& what, const std::string& got, const std::string& expected) {
        if (got != expected) {
            failures.push_back(what + ": expected " + shown(expected) + ", got " + shown(got));
        }
    }
    void equal(const std::string& what, long long got, long long expected) {
        if (got != expected) {
            failures.push_back(what + ": expected " + std::to_string(expected) + ", got " +
                               std::to_string(got));
        }
    }
    void truth(const std::string& what, bool ok) {
        if (!ok) {
            failures.push_back(what);
        }
    }
    // A step the check cannot go on without; false stops the check.
    bool require(const std::string& what, bool ok) {
        truth(what, ok);
        return ok;
    }
    int room() {
        const int number = driver.openRoom(kUser, kTime);
        require("a room opens", number != 0);
        return number;
    }

    RoomDriver& driver;
    messenger::AimChat chat;
    std::vector<std::string> failures;
};

void sendArrives(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.chat.SendChatText("hello & <you> >");
    const std::string expected = line(kUser, "hello &amp; &lt;you> >");
    c.equal("transcript", c.driver.transcriptBytes(room), expected);
    c.equal("input box after the send", c.driver.inputBytes(room), "");
    c.equal("presses", c.driver.sendPresses(room), 1);
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), expected);
    c.chat.SendChatText("again");
    c.equal("two lines in order", c.chat.ReadChatTranscript(), expected + line(kUser, "again"));
}

void sendEmptyStillPresses(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.require("typing", c.driver.typeInputBytes(room, "half typed"));
    c.chat.SendChatText("");
    c.equal("presses", c.driver.sendPresses(room), 1);
    c.equal("transcript (an empty box posts nothing)", c.driver.transcriptBytes(room), "");
    c.equal("input box (the user's text is back)", c.driver.inputBytes(room), "half typed");
}

void sendKeepsUnsentInput(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.require("typing", c.driver.typeInputBytes(room, "half typed"));
    c.chat.SendChatText("mine");
    c.equal("transcript", c.driver.transcriptBytes(room), line(kUser, "mine"));
    c.equal("input box (the user's text is back)", c.driver.inputBytes(room), "half typed");
}

void clearEmptiesTheViewOnly(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.require("transcript set", c.driver.setTranscriptBytes(room, line("amy", "hi")));
    c.require("typing", c.driver.typeInputBytes(room, "draft"));
    c.chat.ClearChatTranscript();
    c.equal("transcript after the clear", c.driver.transcriptBytes(room), "");
    c.equal("input box after the clear", c.driver.inputBytes(room), "draft");
    c.equal("presses", c.driver.sendPresses(room), 0);
    c.chat.SendChatText("after");
    c.equal("a later line", c.driver.transcriptBytes(room), line(kUser, "after"));
}

void closeClosesTheFrontmostRoom(Check& c) {
    const int first = c.room();
    const int second = c.room();
    if (first == 0 || second == 0) {
        return;
    }
    c.chat.CloseChatRoom();
    c.truth("the frontmost room is closed", !c.driver.roomOpen(second));
    c.truth("the other room stays open", c.driver.roomOpen(first));
    c.chat.CloseChatRoom();
    c.truth("then the other room is closed", !c.driver.roomOpen(first));
    c.chat.CloseChatRoom();  // no room left: no effect
    c.equal("transcript without a room", c.chat.ReadChatTranscript(), "");
}

void tailAtTheEdges(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    constexpr std::size_t kLengths[] = {0, 1, 499, 500, 501, 20000};
    for (const std::size_t length : kLengths) {
        const std::string text = patterned(length);
        const std::string what = std::to_string(length) + " characters";
        if (!c.require("transcript set to " + what, c.driver.setTranscriptBytes(room, text))) {
            return;
        }
        const std::size_t start = length > 500 ? length - 500 : 0;
        c.equal("tail of " + what, c.chat.ChatTranscriptTail(), text.substr(start));
        c.equal("whole transcript of " + what, c.chat.ReadChatTranscript(), text);
    }
}

void tailCountsCodePageCharacters(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.require("transcript set", c.driver.setTranscriptBytes(room, "x" + std::string(600, '\x86')));
    std::string daggers;
    for (int i = 0; i < 500; ++i) {
        daggers += "\u2020";
    }
    c.equal("tail of 601 characters, 600 of them daggers", c.chat.ChatTranscriptTail(), daggers);
}

void daggerIsByte86(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.chat.SendChatText("\u2020- Loads Taviks Ruz -\u2020");
    c.equal("transcript bytes", c.driver.transcriptBytes(room),
            line(kUser, "\x86- Loads Taviks Ruz -\x86"));
    c.equal("transcript as the window holds it", c.driver.transcriptUtf8(room),
            line(kUser, "\u2020- Loads Taviks Ruz -\u2020"));
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(),
            line(kUser, "\u2020- Loads Taviks Ruz -\u2020"));
}

void missingCharacterBecomesQuestionMark(Check& c) {
    const int room = c.room();
    if (room == 0) {
        return;
    }
    c.chat.SendChatText("na\u00efve \u03a9");
    c.equal("transcript bytes", c.driver.transcriptBytes(room), line(kUser, "na\xefve ?"));
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), line(kUser, "na\u00efve ?"));
}

void unicodeRoomKeepsEveryCharacter(Check& c) {
    const int room = c.driver.openUnicodeRoom(kUser, kTime);
    if (!c.require("a Unicode room opens", room != 0)) {
        return;
    }
    const std::string song =
        "\u0421\u043f\u043b\u0438\u043d - \u0420\u043e\u043c\u0430\u043d\u0441 \u2020";
    c.chat.SendChatText(song);
    const std::string expected = line(kUser, song);
    c.equal("transcript as the window holds it", c.driver.transcriptUtf8(room), expected);
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), expected);
    // The tail counts the window's own characters: UTF-16 units.
    std::string letters;
    for (int i = 0; i < 600; ++i) {
        letters += "\u0416";
    }
    c.chat.ClearChatTranscript();
    c.chat.SendChatText(letters);
    const std::u16string units = winsys::utf8ToUtf16(line(kUser, letters));
    c.equal("tail of 500 UTF-16 units", c.chat.ChatTranscriptTail(),
            winsys::utf16ToUtf8(units.substr(units.size() - 500)));
    // The messenger's own ANSI room in front of it keeps code page 1252.
    const int ansi = c.room();
    if (ansi == 0) {
        return;
    }
    c.chat.SendChatText(song);
    c.equal("ANSI room", c.chat.ReadChatTranscript(), line(kUser, "????? - ?????? \u2020"));
    c.equal("the Unicode room is untouched", c.driver.transcriptUtf8(room), line(kUser, letters));
}

void dialogCaption(Check& c) {
    struct Case {
        const char* caption;
        const char* cut;
    };
    // Each new dialog window comes in front of the ones before it, so it is the one read.
    for (const Case& k : {Case{"bob's list", "bob"}, Case{"bob", "bob"}, Case{"'s list", ""},
                          Case{"o'neil's list", "o"}}) {
        if (!c.require(std::string("dialog \"") + k.caption + "\" opens",
                       c.driver.openDialog(k.caption))) {
            return;
        }
        const std::string caption = c.chat.ReadFirstDialogCaption();
        c.equal("caption", caption, k.caption);
        c.equal("caption cut before the first apostrophe", cutBeforeFirstApostrophe(caption),
                k.cut);
    }
}

void noDialog(Check& c) {
    const int room = c.room();  // a chat room is not a dialog window
    if (room == 0) {
        return;
    }
    c.equal("caption", c.chat.ReadFirstDialogCaption(), "");
    c.equal("cut caption", cutBeforeFirstApostrophe(c.chat.ReadFirstDialogCaption()), "");
}

void frontmostOfTwoRooms(Check& c) {
    const int first = c.room();
    const int second = c.room();
    if (first == 0 || second == 0) {
        return;
    }
    c.chat.SendChatText("to two");
    c.equal("the later room, in front", c.driver.transcriptBytes(second), line(kUser, "to two"));
    c.equal("the earlier room", c.driver.transcriptBytes(first), "");
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), line(kUser, "to two"));
    if (!c.require("the earlier room comes to the front", c.driver.frontRoom(first))) {
        return;
    }
    c.chat.SendChatText("to one");
    c.equal("the earlier room, now in front", c.driver.transcriptBytes(first),
            line(kUser, "to one"));
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), line(kUser, "to one"));
    c.chat.ClearChatTranscript();
    c.equal("cleared room in front", c.driver.transcriptBytes(first), "");
    c.equal("the room behind keeps its line", c.driver.transcriptBytes(second),
            line(kUser, "to two"));
    c.equal("presses, room behind", c.driver.sendPresses(second), 1);
}

void noRoomAtAll(Check& c) {
    // A dialog window is there, so a lookup that went astray would have something to hit.
    if (!c.require("dialog opens", c.driver.openDialog("bob's list"))) {
        return;
    }
    c.chat.SendChatText("nobody hears this");
    c.chat.PressChatSendButton();
    c.chat.ClearChatTranscript();
    c.chat.CloseChatRoom();
    c.equal("ReadChatTranscript", c.chat.ReadChatTranscript(), "");
    c.equal("ChatTranscriptTail", c.chat.ChatTranscriptTail(), "");
    c.equal("the dialog's caption is untouched", c.chat.ReadFirstDialogCaption(), "bob's list");
}

void messengerRunning(Check& c) {
    c.equal("nothing open", c.chat.MessengerRunning(), false);
    if (!c.require("another dialog opens", c.driver.openDialog("Find and Replace"))) {
        return;
    }
    c.equal("a dialog that is no buddy list", c.chat.MessengerRunning(), false);
    if (!c.require("a buddy list opens behind", c.driver.openDialog("bob's Buddy List")) ||
        !c.require("a dialog opens in front of it", c.driver.openDialog("Options"))) {
        return;
    }
    c.equal("a buddy list behind another dialog", c.chat.MessengerRunning(), true);
    c.driver.closeAll();
    if (c.room() == 0) {
        return;
    }
    c.equal("a room alone", c.chat.MessengerRunning(), true);
}

struct NamedCheck {
    const char* name;
    void (*run)(Check&);
};

constexpr NamedCheck kChecks[] = {
    {"send: the line arrives in the room", sendArrives},
    {"send: the empty text still presses the button", sendEmptyStillPresses},
    {"send: unsent input is kept", sendKeepsUnsentInput},
    {"clear: the transcript view is emptied, later lines appear", clearEmptiesTheViewOnly},
    {"close: the frontmost room closes", closeClosesTheFrontmostRoom},
    {"tail: 0, 1, 499, 500, 501 and 20000 characters", tailAtTheEdges},
    {"tail: counted in code page characters", tailCountsCodePageCharacters},
    {"code page: the dagger U+2020 is byte 0x86", daggerIsByte86},
    {"code page: a missing character becomes ?", missingCharacterBecomesQuestionMark},
    {"unicode: a Unicode room carries every character, the tail in UTF-16 units",
     unicodeRoomKeepsEveryCharacter},
    {"dialog: whole caption and the cut before the apostrophe", dialogCaption},
    {"dialog: none open", noDialog},
    {"rooms: the frontmost of two", frontmostOfTwoRooms},
    {"rooms: none open", noRoomAtAll},
    {"messenger: running with a room or a buddy list, not with other dialogs", messengerRunning},
};

}  // namespace

int runLinkChecks(RoomDriver& driver) {
    int passed = 0;
    int failed = 0;
    for (const NamedCheck& named : kChecks) {
        driver.closeAll();
        Check check(driver);
        try {
            named.run(check);
        } catch (const std::exception& e) {
            check.failures.push_back(std::string("exception: ") + e.what());
        }
        driver.closeAll();
        if (check.failures.empty()) {
            ++passed;
            std::printf("ok %s\n", named.name);
        } else {
            ++failed;
            std::printf("FAIL %s\n", named.name);
            for (const std::string& failure : check.failures) {
                std::printf("    %s\n", failure.c_str());
            }
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

}  // namespace ruz::linkcheck
