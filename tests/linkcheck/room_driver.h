#pragma once

#include "platform/winsys/window_system.h"

#include <string>

namespace ruz::linkcheck {

// The other side of the window system for the link checks: opens the messenger's chat rooms and
// dialog windows and looks into them directly, without the messenger link. One implementation
// plays them inside the in-process window model, another with real Win32 windows.
//
// Rooms are numbered 1, 2, ... in the order this driver opened them. Texts read or written
// directly are the ANSI code page's bytes (code page 1252), except where UTF-8 is said.
class RoomDriver {
  public:
    virtual ~RoomDriver() = default;

    // The window system the messenger link is to use.
    virtual winsys::WindowSystem& windows() = 0;

    // A new chat room in front of all windows, whose user is `screenName` and whose lines carry
    // the time stamp `timeText`; its number, or 0 when it could not be opened.
    virtual int openRoom(const std::string& screenName, const std::string& timeText) = 0;
    // The same room made of Unicode windows, whose texts are UTF-16 in the window system.
    virtual int openUnicodeRoom(const std::string& screenName, const std::string& timeText) = 0;
    // A new "#32770" dialog window with this caption in front of all windows; false on failure.
    virtual bool openDialog(const std::string& captionBytes) = 0;
    // Room `number` comes in front of all windows; false when it is not open.
    virtual bool frontRoom(int number) = 0;
    // Whether room `number`'s window is still there.
    virtual bool roomOpen(int number) = 0;

    virtual std::string transcriptBytes(int number) = 0;
    // The transcript view's text as the window system holds it, in UTF-8: on Windows the
    // window's Unicode text, read without the ANSI code page.
    virtual std::string transcriptUtf8(int number) = 0;
    virtual std::string inputBytes(int number) = 0;
    // Replace a view's whole text, as the messenger or its user would.
    virtual bool setTranscriptBytes(int number, const std::string& bytes) = 0;
    virtual bool typeInputBytes(int number, const std::string& bytes) = 0;
    // How often room `number`'s send button has been pressed (button down, then up).
    virtual int sendPresses(int number) = 0;

    // Closes every room and dialog window this driver opened, and waits until they are gone.
    virtual void closeAll() = 0;
};

}  // namespace ruz::linkcheck
