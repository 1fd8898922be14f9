#include "win32/dialog_template.h"

namespace ruz::win32 {

namespace {
constexpr WORD kFontPoints = 8;
constexpr wchar_t kFontName[] = L"MS Shell Dlg";
// Where the count of items sits: after the style and the extended style.
constexpr std::size_t kItemCountWord = 4;
// A class or a resource given by number rather than by name.
constexpr WORD kByNumber = 0xFFFF;
constexpr int kWordBits = 16;
}  // namespace

DialogTemplate::DialogTemplate(DWORD style, std::wstring_view caption, short width, short height) {
    add(static_cast<DWORD>(style | DS_SETFONT));
    add(static_cast<DWORD>(0));  // extended style
    add(static_cast<WORD>(0));   // items, counted as they come
    for (const short value : {short{0}, short{0}, width, height}) {
        add(static_cast<WORD>(value));
    }
    add(static_cast<WORD>(0));  // no menu
    add(static_cast<WORD>(0));  // the system's dialog class
    add(caption);
    add(kFontPoints);
    add(std::wstring_view(kFontName));
}

void DialogTemplate::addItem(WORD controlClass, WORD id, DWORD style, RECT bounds,
                             std::wstring_view text) {
    alignToDword();
    add(static_cast<DWORD>(style | WS_CHILD | WS_VISIBLE));
    add(static_cast<DWORD>(0));  // extended style
    for (const LONG value :
         {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top}) {
        add(static_cast<WORD>(static_cast<short>(value)));
    }
    add(id);
    add(kByNumber);
    add(controlClass);
    add(text);
    add(static_cast<WORD>(0));  // no creation data
    ++items_;
    words_[kItemCountWord] = static_cast<WORD>(items_);
}

const DLGTEMPLATE* DialogTemplate::get() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
}

void DialogTemplate::add(DWORD value) {
    add(static_cast<WORD>(value & 0xFFFF));
    add(static_cast<WORD>(value >> kWordBits));
}

void DialogTemplate::add(std::wstring_view text) {
    for (const wchar_t c : text) {
        // A NUL inside the text would end it early: it ends there, as a window's text would.
        if (c == L'\0') {
            break;
        }
        add(static_cast<WORD>(c));
    }
    add(static_cast<WORD>(0));
}

void DialogTemplate::alignToDword() {
    if (words_.size() % 2 != 0) {
        add(static_cast<WORD>(0));
    }
}

}  // namespace ruz::win32
