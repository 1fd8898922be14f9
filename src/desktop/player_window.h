#pragma once

// What the player's main window shows and offers on both systems, as tables each program's window
// walks: the option boxes with the keys that switch them, the menu "Options" with its access keys
// and the desktop's own commands with theirs, the time display, play-or-pause, and the captions
// of the command-words window's boxes.

#include "app/frmamp.h"

#include <cstddef>
#include <span>
#include <string>

namespace ruz::desktop {

// The option boxes; those that F1 to F8 switch come first, in the keys' order: two keys a box.
// Where each stands in the window's grid of boxes: row, column, columns spanned.
struct OptionBox {
    CheckBox FrmAmp::*box;
    const char16_t* caption;
    int row, column, span;
};
std::span<const OptionBox> optionBoxes();
// F1 to F8: two keys for each of the first four boxes.
inline constexpr int kOptionKeyCount = 8;
// The tool tip that names the keys of the box at `index` of optionBoxes(); "" for a box without.
std::u16string optionKeysTip(std::size_t index);

// The menu "Options": these entries of the window, each with its access key, then the desktop's
// commands. No two entries of one menu share a key.
struct OptionEntry {
    MenuEntry FrmAmp::*entry;
    char16_t key;
};
std::span<const OptionEntry> optionEntries();
// The menu "Credits" holds the window's credits entry, with this key.
inline constexpr char16_t kCreditsKey = u'T';
// The menus' titles with their access keys.
inline constexpr char16_t kOptionsMenu[] = u"&Options";
inline constexpr char16_t kCreditsMenu[] = u"C&redits";

// The desktop's own actions in the menu "Options".
enum class Action { PlayOrPause, OpenFolder, Quit };
// A desktop action with its key (a letter, or u' ' for the space bar; with Ctrl or alone).
struct ActionRow {
    Action action;
    const char16_t* text;
    char16_t accessKey;
    char16_t key;
    bool control;
    const char16_t* tip;
};
std::span<const ActionRow> actionRows();
// "Space", "Ctrl+O": the action's key as menus show it.
std::u16string keyName(const ActionRow& row);
// Runs `action` on the window; play-or-pause is its Pause button while a song plays, its Play
// button otherwise.
void run(Action action, FrmAmp& amp);

// `caption` with "&" before its first `key` (in either letter case), as menus mark access keys;
// a "&" of the caption's own doubled.
std::u16string withAccessKey(std::u16string_view caption, char16_t key);

// A command-words box's caption for the eye: its tool tip up to any explanation after a colon,
// without the trailing word "ccom"; its name when that leaves nothing.
std::u16string boxCaption(const TextBox& box);

// The song's place and length as the display shows them: "1:05 / 3:20".
std::u16string timeText(const Slider& position);
std::u16string clockText(int seconds);

}  // namespace ruz::desktop
