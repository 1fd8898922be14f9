#pragma once

#include "controls/controls.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace ruz::win32 {

// The folder tree: a TreeView of the drives and their folders, each folder's children listed when
// it is first opened. It follows the control's path without raising a pick; a click or a key that
// moves the selection is the user's pick.
class FolderTreeView {
  public:
    FolderTreeView(HWND tree, FolderTree& folder);
    // The tree's notifications (WM_NOTIFY from it).
    void notified(const NMHDR& header);
    // Shows the control's path: its folders opened down to it, and it selected.
    void follow();

  private:
    HTREEITEM add(HTREEITEM parent, const std::wstring& name);
    void fill(HTREEITEM item);
    std::wstring pathOf(HTREEITEM item) const;
    std::wstring textOf(HTREEITEM item) const;

    HWND tree_;
    FolderTree& folder_;
    bool following_ = false;
};

}  // namespace ruz::win32
