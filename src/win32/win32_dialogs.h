#pragma once

#include "platform/dialogs.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ruz::win32 {

// The dialogs as Win32 dialogs above the owner window, with the keyboard focus. The question is a
// message box, the prompt a small dialog and the folder picker the shell's folder dialog: each is
// modal to the owner window only (the messenger's windows stay usable) and runs the thread's
// messages until answered, so timers keep ticking. A notice holds nothing back: it opens and the
// program goes on at once, its windows usable, until the user presses OK; several notices stand one
// above the other, the newest on top.
class Win32Dialogs final : public Dialogs {
  public:
    Win32Dialogs();
    ~Win32Dialogs() override;
    Win32Dialogs(const Win32Dialogs&) = delete;
    Win32Dialogs& operator=(const Win32Dialogs&) = delete;

    // The window the dialogs belong to; until one is given they belong to none.
    void setOwner(HWND owner) { owner_ = owner; }

    // Work that waits until the first dialog is on the screen: the program's first window is the
    // start-up question, and what else the program shows is built while the user reads it. It runs
    // at the latest when that dialog closes, before the program goes on.
    void whenFirstShown(std::function<void()> work) { firstShown_ = std::move(work); }

    bool askYesNo(std::u16string_view text) override;
    NoticeId notice(std::u16string_view text) override;
    std::optional<std::u16string> prompt(std::u16string_view text,
                                         std::u16string_view title) override;
    std::u16string pickFolder(std::u16string_view title,
                              std::u16string_view initialFolder) override;

    // The notices on the screen now, oldest first.
    const std::vector<HWND>& openNotices() const { return notices_; }
    // Where the folder picker opens (the player's current folder, "/" or "\" between its parts);
    // where it is not set or does not exist, the picker opens at the folder it is asked to.
    std::function<std::u16string()> currentFolder;

  protected:
    void closeNotice(NoticeId id) override;

  private:
    static INT_PTR CALLBACK noticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Lets the work waiting for the first dialog run once the modal loop about to start turns.
    void runFirstShownSoon();
    void runFirstShown();
    void noticeClosed(HWND dialog);

    // A message-only window whose messages the modal loops deliver.
    HWND helper_ = nullptr;
    HWND owner_ = nullptr;
    std::vector<HWND> notices_;
    // Each open notice's name, in the order of notices_.
    std::vector<NoticeId> noticeIds_;
    NoticeId lastNotice_ = 0;
    std::function<void()> firstShown_;
};

}  // namespace ruz::win32
