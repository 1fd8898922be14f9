#pragma once

#include "standin/messenger_standin.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ruz::win32 {

// The messenger stand-in's open rooms as windows of the program, one top-level Unicode window a
// room, captioned as the room: its transcript (one line a line of the room, "TIME SENDER: TEXT",
// scrolled to its end; the newest thousand lines or so), an input box and a Send button. Send (or
// Return in the box) posts the box's text in that window's room; activating a window brings its
// room in front, where the player talks. Closing a window only minimises it: the room stays open.
// Windows come and go as the stand-in's rooms open and close; the changes the stand-in reports are
// shown together once the messages in hand are handled, and of a transcript only its new lines are
// added. Texts from the network show as plain text. A room of the stand-in's own (not a chat
// network's) also has a "Post as" line: a member's name ("guest" at first), a line, and Post (or
// Return in the line), which posts the line as that member.
class ChatWindows {
  public:
    static constexpr const wchar_t* kClassName = L"TaviksRuzChatRoom";
    // The lines a room's window keeps: the newest kScrollbackLines, and up to kTrimChunk more
    // before the oldest go, which costs less than one at a time.
    static constexpr std::size_t kScrollbackLines = 1000;
    static constexpr std::size_t kTrimChunk = 500;
    enum ChildId : int {
        kTranscriptId = 1001,
        kInputId = 1002,
        kSendId = 1003,
        kMemberId = 1004,
        kMemberTextId = 1005,
        kPostId = 1006
    };

    // Holds the stand-in's change listener while it lives; the stand-in must outlive it.
    ChatWindows(standin::MessengerStandIn& messenger, HICON icon);
    ~ChatWindows();
    ChatWindows(const ChatWindows&) = delete;
    ChatWindows& operator=(const ChatWindows&) = delete;

    // Shows the stand-in's rooms as they are now.
    void refresh();
    // The window of room `number`; nullptr when it has none.
    HWND windowOf(int number) const;
    // Hands a key meant for a room window's controls (Tab between them) to that window; false
    // for any other message.
    bool dialogMessage(MSG& message);

  private:
    class RoomWindow;
    static LRESULT CALLBACK helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void changed();
    void send(int number, HWND input);
    void postAs(int number, HWND member, HWND line);
    void activated(int number);

    standin::MessengerStandIn& messenger_;
    HICON icon_;
    // A message-only window: the refresh after a change comes through its queue.
    HWND helper_ = nullptr;
    bool refreshPending_ = false;
    std::vector<std::unique_ptr<RoomWindow>> rooms_;
    // How many windows were opened so far: each new one stands a step further.
    int opened_ = 0;
};

}  // namespace ruz::win32
