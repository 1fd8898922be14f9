#include "player/playlist.h"

#include "common/text.h"

#include <QDir>

namespace ruz {

namespace {
const QString kSendsDisabled = QStringLiteral("Your Chat Sends Will Now Be Disabled");
const QString kSendsEnabled = QStringLiteral("Your Chat Sends Are Now Enabled");
const QString kPickerTitle = QStringLiteral(" ");
const QString kPickerStart = QStringLiteral("C:/");
const QString kTitleSeparator = QStringLiteral(" - ");
}  // namespace

QString BuildTitle(const QString& fileName) {
    QString text = fileName.section(u'.', 0, 0);
    const qsizetype cut = text.indexOf(kTitleSeparator);
    if (cut >= 0) {
        text = text.mid(cut + kTitleSeparator.size());
    }
    return text.toLower();
}

int FindListItem(const QString& text, const ListBox& list) {
    for (int i = 0; i < list.count(); ++i) {
        if (ContainsText(list.item(i), text)) {
            return i;
        }
    }
    return -1;
}

Playlist::Playlist(Controls controls, Dialogs& dialogs, ChatRoom& room)
    : c_(controls), dialogs_(dialogs), room_(room) {
    c_.Timer2.onTick = [this] { BuildStep(); };
    c_.ExplorerTree1.onSelect = [this] { LoadFolder(); };
    c_.Image8.onClick = [this] { OpenFolderClicked(); };
    c_.File1.onChange = [this] {
        if (onSelect) {
            onSelect();
        }
    };
}

void Playlist::LoadFolder() {
    c_.File1.setPath(c_.ExplorerTree1.path());
    if (c_.File1.count() == 0) {
        // A build over a folder that has gone could never complete: it stops, as on any other
        // change of folder.
        c_.Timer2.setEnabled(false);
        return;
    }
    SelectSong(0);
    if (c_.Timer2.enabled()) {
        c_.Timer2.setEnabled(false);
        return;
    }
    c_.List1.clear();
    c_.Timer2.setEnabled(true);
    room_.setSendsOn(false);
    dialogs_.notice(kSendsDisabled);
}

void Playlist::BuildStep() {
    // A list that has caught up with the playlist is complete (it can never overtake it).
    if (c_.List1.count() >= c_.File1.count()) {
        c_.tmrGetSong.setEnabled(true);
        c_.Timer2.setEnabled(false);
        room_.setSendsOn(true);
        dialogs_.notice(kSendsEnabled);
        SelectSong(0);
        return;
    }
    c_.tmrGetSong.setEnabled(false);
    c_.Text1.setText(BuildTitle(c_.File1.fileName()));
    c_.List1.addItem(c_.Text1.text());
    SelectSong(c_.File1.listIndex() + 1);
}

void Playlist::SelectSong(int index) {
    c_.File1.setListIndex(index);
}

QString Playlist::selectedPath() const {
    return c_.ExplorerTree1.path() + QDir::separator() + c_.File1.fileName();
}

void Playlist::OpenFolderClicked() {
    c_.ExplorerTree1.setPath(dialogs_.pickFolder(kPickerTitle, kPickerStart));
    LoadFolder();
}

void Playlist::SearchSong(const std::optional<QString>& text) {
    if (text) {
        c_.Text1.setText(*text);
    }
    SelectSong(FindListItem(c_.Text1.text(), c_.List1));
}

}  // namespace ruz
