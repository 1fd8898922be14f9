#include "messenger/aimchat.h"
#include "platform/winsys/codepage.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <gtest/gtest.h>

#include <string>

namespace ruz::winsys {
namespace {

// What each kind of window gives back to each kind of call, for one text set as UTF-8.
struct KindCase {
    bool unicode;
    std::string utf8;
    std::string ansiBack;     // what SendMessageA's WM_GETTEXT returns
    std::u16string wideBack;  // what SendMessageW's WM_GETTEXT returns
};

TEST(UnicodeWindows, EachCallGetsTheTextInItsOwnKind) {
    const KindCase cases[] = {
        {true, "Сплин †", "????? \x86", u"Сплин †"},
        {false, "Сплин †", "????? \x86", u"????? †"},
        {true, "🎵 x", "? x", u"🎵 x"},  // outside the BMP: two UTF-16 units, one "?"
        {false, "café", "caf\xe9", u"café"},
        {true, "", "", u""},
    };
    for (const KindCase& c : cases) {
        WindowModel m;
        const Hwnd w = m.createWindow("Edit", "", 0, c.unicode);
        EXPECT_EQ(m.isWindowUnicode(w), c.unicode);
        const std::u16string units = utf8ToUtf16(c.utf8);
        EXPECT_EQ(m.sendMessageW(w, kWmSetText, 0, reinterpret_cast<LParam>(units.c_str())), 1);
        const auto ansiLength = m.sendMessage(w, kWmGetTextLength, 0, 0);
        std::string ansi(static_cast<std::size_t>(ansiLength) + 1, '#');
        EXPECT_EQ(m.sendMessage(w, kWmGetText, ansi.size(), reinterpret_cast<LParam>(ansi.data())),
                  ansiLength);
        ansi.pop_back();
        EXPECT_EQ(ansi, c.ansiBack) << c.utf8;
        const auto wideLength = m.sendMessageW(w, kWmGetTextLength, 0, 0);
        std::u16string wide(static_cast<std::size_t>(wideLength) + 1, u'#');
        EXPECT_EQ(m.sendMessageW(w, kWmGetText, wide.size(), reinterpret_cast<LParam>(wide.data())),
                  wideLength);
        EXPECT_EQ(wide.back(), u'\0');
        wide.pop_back();
        EXPECT_EQ(wide, c.wideBack) << c.utf8;
        // A short buffer: at most size - 1 units and the NUL.
        std::u16string shortBuffer(3, u'#');
        const auto copied =
            m.sendMessageW(w, kWmGetText, 2, reinterpret_cast<LParam>(shortBuffer.data()));
        EXPECT_EQ(copied, std::min<LResult>(1, wideLength)) << c.utf8;
        // The A call sets the text through code page 1252 into either kind.
        m.sendMessage(w, kWmSetText, 0, reinterpret_cast<LParam>("\x86 ok"));
        EXPECT_EQ(m.textUtf8(w), "† ok");
        EXPECT_EQ(m.messages().back().text, "\x86 ok");
        EXPECT_FALSE(m.messages().back().wide);
    }
}

TEST(UnicodeWindows, Utf16ConversionsKeepEverythingButMalformedParts) {
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("aé€🎵")), "aé€🎵");
    EXPECT_EQ(utf8ToUtf16("a\xff"
                          "b"),
              u"a\ufffdb");
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t{0xD800}) + u"x"), "\uFFFDx");
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t{0xDC00})), "\uFFFD");
    // Lengths and parts by UTF-16 units, without converting what comes before.
    for (const std::string& text : {std::string("aé€🎵b"), std::string("\xf0\x9f\x8e"),
                                    std::string("x\xe2\x82y\xff🎵"), std::string()}) {
        const std::u16string units = utf8ToUtf16(text);
        EXPECT_EQ(utf16Length(text), units.size()) << text;
        for (std::size_t from = 0; from <= units.size() + 1; ++from) {
            EXPECT_EQ(utf8FromUnit(text, from),
                      utf16ToUtf8(std::u16string_view(units).substr(std::min(from, units.size()))))
                << text << " from " << from;
        }
    }
}

TEST(UnicodeWindows, TheLinkReadsAndWritesUnicodeRoomsWithoutLoss) {
    WindowModel model;
    standin::MessengerStandIn standin(model, [] { return std::string("10:31:02 PM"); });
    std::vector<std::string> posted;
    standin.openLinkedRoom(
        "#music", [&](const std::string& line) { posted.push_back(line); }, 0);
    standin.signOn("me");
    messenger::AimChat link(model);
    link.SendChatText("†-Сплин - Романс-†");
    ASSERT_EQ(posted, std::vector<std::string>{"†-Сплин - Романс-†"});
    EXPECT_NE(link.ReadChatTranscript().find(
                  "<B>me</B></FONT><FONT COLOR=\"#000000\">: †-Сплин - Романс-†"),
              std::string::npos);
    // The tail counts UTF-16 units of the Unicode window: 499, 500 and 501 of them.
    for (const std::size_t length : {499u, 500u, 501u}) {
        link.ClearChatTranscript();
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += "Ж";
        }
        standin.appendRaw(text);
        EXPECT_EQ(utf8ToUtf16(link.ChatTranscriptTail()).size(),
                  std::min<std::size_t>(length, 500));
    }
    // The view reads it by units from any place, as it grows, also by halves of a character.
    for (const std::string& piece : {std::string("🎵a\xd0"),
                                     std::string("\x96"
                                                 "b\xf0\x9f"),
                                     std::string("\x8e\xb5"), std::string("<BR>x")}) {
        standin.appendRaw(piece);
        const std::u16string units = utf8ToUtf16(standin.transcriptUtf8());
        for (std::size_t from = 0; from <= units.size(); ++from) {
            std::size_t length = 0;
            EXPECT_EQ(standin.transcriptUtf8From(from, length),
                      utf16ToUtf8(std::u16string_view(units).substr(from)))
                << from;
            EXPECT_EQ(length, units.size());
        }
    }
    // The messenger's own room next to it stays an ANSI window, code page 1252 at the link.
    standin.openRoom();
    link.SendChatText("Сплин †");
    EXPECT_EQ(standin.sentByProgram().back(), "????? †");
}

}  // namespace
}  // namespace ruz::winsys
