#pragma once

#include "common/chat_room.h"
#include "controls/controls.h"
#include "platform/dialogs.h"
#include "player/shuffle.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ruz {

class Announcer;

// The title a title-list build derives from a file name: the text before the first ".", from
// after its first " - " if it has one, in lower case.
std::u16string buildTitle(std::u16string_view fileName);
// The index of the first entry of `list` that contains `text`, or -1.
int FindListItem(std::u16string_view text, const ListBox& list);

// The playlist: the folder, its matching files, the selection, and the title list built from it
// one entry per tick (the chat sends are off while it is built); and where the player goes next.
class Playlist {
  public:
    struct Controls {
        FileListBox& File1;
        ListBox& List1;
        FolderTree& ExplorerTree1;
        TextBox& Text1;
        Timer& Timer2;
        Picture& Image8;
        const CheckBox& chkRepeat;
        const CheckBox& chkRandomSong;
    };
    // The title pick-up of `announcer` waits while the title list is built; `shuffleSeed` seeds
    // the shuffled order at its first use.
    Playlist(Controls controls, Dialogs& dialogs, ChatRoom& room, Announcer& announcer,
             std::function<std::uint64_t()> shuffleSeed);

    // The folder tree's folder becomes the playlist; a title-list build starts.
    void LoadFolder();
    void buildStep();
    void SelectSong(int index);
    void openFolderClicked();
    // The song search: `text`, when given, becomes the search text; the first title that contains
    // the search text, in any letter case, is selected.
    void searchSong(const std::optional<std::u16string>& text);

    int index() const { return c_.File1.listIndex(); }
    int count() const { return c_.File1.count(); }
    bool atLast() const { return index() == count() - 1; }
    // The selected file's name, "" when nothing is selected.
    std::u16string fileName() const;
    // The selected file's full path.
    std::u16string selectedPath() const;

    // Where the player goes: an index outside the list is a move the list refuses; nothing, none.
    // Skip: the next entry in list order, or in the shuffled order while Random is checked.
    std::optional<int> next();
    int previous() const { return index() - 1; }  // -1 (no selection) from the first
    // An entry drawn from the shuffled order; nothing when the list is empty.
    std::optional<int> shuffled();
    // At a song's end: the same entry while Repeat is checked, otherwise as `afterRefused`.
    std::optional<int> afterEnd();
    // After a refused entry: as Skip, but after the last the first; nothing when none follows.
    std::optional<int> afterRefused();

    // Runs on every change of the selection.
    std::function<void()> onSelect;
    // Selects the first entry and plays it, passing over entries the engine refuses; without it,
    // the first entry is only selected.
    std::function<void()> playFirst;

  private:
    bool random() const { return c_.chkRandomSong.value() == 1; }
    // The title list is complete: the title pick-up and the chat sends come back on.
    void finishBuild();
    // A change of the selection that the folder load or the build makes, not the user.
    void selectForBuild(const std::function<void()>& select);

    Controls c_;
    Dialogs& dialogs_;
    ChatRoom& room_;
    Announcer& announcer_;
    Shuffle shuffle_;
    // Whether the user has picked a song since the folder was chosen: the build then leaves the
    // selection alone, so that the song picked plays on.
    bool userPicked_ = false;
    bool buildSelecting_ = false;
};

}  // namespace ruz
