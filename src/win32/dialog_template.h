#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace ruz::win32 {

// A dialog built in memory, as a resource file would describe it: the dialog's frame, then its
// controls, sizes in dialog units, in the shell's dialog font.
class DialogTemplate {
  public:
    // The predefined control classes a dialog item names by number.
    static constexpr WORD kButton = 0x0080;
    static constexpr WORD kEdit = 0x0081;
    static constexpr WORD kStatic = 0x0082;

    DialogTemplate(DWORD style, std::wstring_view caption, short width, short height);

    void addItem(WORD controlClass, WORD id, DWORD style, RECT bounds, std::wstring_view text);
    int items() const { return items_; }
    // The template as the dialog functions take it; valid while this object is unchanged.
    const DLGTEMPLATE* get() const;

  private:
    void add(WORD value) { words_.push_back(value); }
    void add(DWORD value);
    void add(std::wstring_view text);
    void alignToDword();

    // WORD-aligned storage; an item starts on a DWORD boundary of it.
    std::vector<WORD> words_;
    int items_ = 0;
};

}  // namespace ruz::win32
