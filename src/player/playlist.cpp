// The playlist: the folder, its matching files, the selection and the title list.
#include "app/frmamp.h"
#include "app/text.h"

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

void FrmAmp::LoadFolder() {
    File1.setPath(ExplorerTree1.path());
    if (File1.count() == 0) {
        // A build over a folder that has gone could never complete: it stops, as on any other
        // change of folder.
        Timer2.setEnabled(false);
        return;
    }
    SelectSong(0);
    if (Timer2.enabled()) {
        Timer2.setEnabled(false);
        return;
    }
    List1.clear();
    Timer2.setEnabled(true);
    chatsendc.setValue(0);
    platform.dialogs.notice(kSendsDisabled);
}

void FrmAmp::BuildStep() {
    // A list that has caught up with the playlist is complete (it can never overtake it).
    if (List1.count() >= File1.count()) {
        tmrGetSong.setEnabled(true);
        Timer2.setEnabled(false);
        chatsendc.setValue(1);
        platform.dialogs.notice(kSendsEnabled);
        SelectSong(0);
        return;
    }
    tmrGetSong.setEnabled(false);
    Text1.setText(BuildTitle(File1.fileName()));
    List1.addItem(Text1.text());
    SelectSong(File1.listIndex() + 1);
}

void FrmAmp::SelectSong(int index) {
    File1.setListIndex(index);
}

void FrmAmp::OpenSelectedSong() {
    if (MediaPlayer1.open(ExplorerTree1.path() + QDir::separator() + File1.fileName())) {
        lastOpenAccepted_ = true;
    }
}

void FrmAmp::OpenFolderClicked() {
    const QString folder = platform.dialogs.pickFolder(kPickerTitle, kPickerStart);
    ExplorerTree1.setPath(folder);
    LoadFolder();
}

}  // namespace ruz
