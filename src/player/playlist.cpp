#include "player/playlist.h"

#include "common/text.h"
#include "player/announcer.h"

#include <filesystem>

namespace ruz {

namespace {
constexpr std::u16string_view kSendsDisabled = u"Your Chat Sends Will Now Be Disabled";
constexpr std::u16string_view kSendsEnabled = u"Your Chat Sends Are Now Enabled";
// What the two notices above speak about: the newer one closes the older.
constexpr std::u16string_view kSendsSubject = u"chat sends";
constexpr std::u16string_view kPickerTitle = u" ";
constexpr std::u16string_view kPickerStart = u"C:/";
constexpr std::u16string_view kTitleSeparator = u" - ";
// Between a folder and a name in a path, as the platform writes it.
constexpr auto kPathSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);
}  // namespace

std::u16string buildTitle(std::u16string_view fileName) {
    std::u16string_view title = text::splitFirst(fileName, u'.').before;
    if (const text::Halves cut = text::splitFirst(title, kTitleSeparator); cut.found) {
        title = cut.after;
    }
    return text::lower(title);
}

int FindListItem(std::u16string_view text, const ListBox& list) {
    const std::vector<std::u16string>& items = list.items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (containsText(items[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Playlist::Playlist(Controls controls, Dialogs& dialogs, ChatRoom& room, Announcer& announcer,
                   std::function<std::uint64_t()> shuffleSeed)
    : c_(controls),
      dialogs_(dialogs),
      room_(room),
      announcer_(announcer),
      shuffle_(std::move(shuffleSeed)) {
    c_.Timer2.onTick = [this] { buildStep(); };
    c_.ExplorerTree1.onSelect = [this] { LoadFolder(); };
    c_.Image8.onClick = [this] { openFolderClicked(); };
    c_.File1.onChange = [this] {
        userPicked_ = userPicked_ || !buildSelecting_;
        if (onSelect) {
            onSelect();
        }
    };
}

void Playlist::LoadFolder() {
    c_.File1.setPath(c_.ExplorerTree1.path());
    const bool building = c_.Timer2.enabled();
    if (c_.File1.count() == 0) {
        // A build over a folder with nothing to list ends here, as a completed one does.
        if (building) {
            finishBuild();
        }
        return;
    }
    userPicked_ = false;
    selectForBuild([this] { SelectSong(0); });
    // A build under way starts again on the new folder; the chat sends are still off.
    c_.List1.clear();
    if (building) {
        return;
    }
    c_.Timer2.setEnabled(true);
    // The title pick-up waits for the build from now, as it does at every build step: a title
    // picked up while the chat sends are off would never be announced.
    announcer_.pausePickUp();
    room_.setSendsOn(false);
    dialogs_.noticeAbout(kSendsSubject, kSendsDisabled);
}

void Playlist::buildStep() {
    // A list that has caught up with the playlist is complete (it can never overtake it).
    if (c_.List1.count() >= c_.File1.count()) {
        finishBuild();
        // The first song again, unless the user has picked one meanwhile.
        if (!userPicked_) {
            selectForBuild([this] {
                if (playFirst) {
                    playFirst();
                } else {
                    SelectSong(0);
                }
            });
        }
        return;
    }
    // The build walks the playlist by its own count, whatever moves the selection meanwhile, so
    // that entry N of the title list always names entry N of the playlist.
    announcer_.pausePickUp();
    const int next = c_.List1.count();
    c_.Text1.setText(buildTitle(c_.File1.item(next)));
    if (!c_.List1.addItem(c_.Text1.text())) {
        finishBuild();  // the title list is full
        return;
    }
    if (!userPicked_) {
        selectForBuild([this, next] { SelectSong(next + 1); });
    }
}

void Playlist::selectForBuild(const std::function<void()>& select) {
    buildSelecting_ = true;
    select();
    buildSelecting_ = false;
}

void Playlist::finishBuild() {
    announcer_.resumePickUp();
    c_.Timer2.setEnabled(false);
    room_.setSendsOn(true);
    dialogs_.noticeAbout(kSendsSubject, kSendsEnabled);
}

void Playlist::SelectSong(int index) {
    c_.File1.setListIndex(index);
}

std::u16string Playlist::fileName() const {
    return c_.File1.fileName();
}

std::u16string Playlist::selectedPath() const {
    std::u16string path = c_.ExplorerTree1.path();
    path += kPathSeparator;
    path += fileName();
    return path;
}

std::optional<int> Playlist::next() {
    return random() ? shuffled() : index() + 1;  // refused after the last
}

std::optional<int> Playlist::shuffled() {
    const int entry = shuffle_.next(index(), count());
    return entry >= 0 ? std::optional<int>(entry) : std::nullopt;
}

std::optional<int> Playlist::afterEnd() {
    // Repeat wins over Random.
    return c_.chkRepeat.value() == 1 && index() >= 0 ? index() : afterRefused();
}

std::optional<int> Playlist::afterRefused() {
    if (random()) {
        return shuffled();
    }
    const int entry = atLast() ? 0 : index() + 1;
    // An empty list has nothing to play, and the only entry does not follow itself.
    return count() == 0 || entry == index() ? std::nullopt : std::optional<int>(entry);
}

void Playlist::openFolderClicked() {
    // A cancelled picker changes nothing: the folder, its title list and the song stay.
    const std::u16string folder = dialogs_.pickFolder(kPickerTitle, kPickerStart);
    if (folder.empty()) {
        return;
    }
    c_.ExplorerTree1.setPath(folder);
    LoadFolder();
}

void Playlist::searchSong(const std::optional<std::u16string>& text) {
    if (text) {
        c_.Text1.setText(*text);
    }
    // The titles are kept in lower case; a search that finds nothing changes nothing.
    const int found = FindListItem(text::lower(c_.Text1.text()), c_.List1);
    if (found >= 0) {
        SelectSong(found);
    }
}

}  // namespace ruz
