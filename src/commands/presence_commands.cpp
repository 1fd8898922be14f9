// The commands that act on the room, the program's windows, idle mode and the chat sends.
#include "app/frmamp.h"

namespace ruz {

namespace {
const QString kDagger = QStringLiteral("\u2020");
}

void FrmAmp::IdleOnCommand(const std::optional<QString>& argument) {
    if (argument) {
        idlereason.setCaption(*argument);
    }
    if (IsIdle()) {
        SendGated(lblsn.caption() + QStringLiteral(" You're Already Set Idle"));
        return;
    }
    SendGated(GoneIdleNotice(lblsn.caption(), idlereason.caption()));
    EnterIdle(idlereason.caption());
}

void FrmAmp::IdleOffCommand() {
    LeaveIdle();
    SendChatText(lblsn.caption() + QStringLiteral(" Is Back From Afk"));
}

void FrmAmp::ClearCommand() {
    ClearChatTranscript();
}

void FrmAmp::CloseRoomCommand() {
    SendChatText(kDagger + QStringLiteral("- Closes Room -") + kDagger);
    CloseChatRoom();
}

void FrmAmp::EndCommand() {
    SendChatText(kDagger + QStringLiteral("- Closes Ruz -") + kDagger);
    endProgram();
}

void FrmAmp::HideCommand() {
    window.setVisible(false);
    SendGated(kDagger + QStringLiteral("- Minimizes Ruz -") + kDagger);
}

void FrmAmp::ShowCommand() {
    window.setVisible(true);
    SendGated(kDagger + QStringLiteral("- Shows Ruz -") + kDagger);
}

void FrmAmp::HelpCommand() {
    ccoms().window.setVisible(true);
}

void FrmAmp::ChatSendsOffCommand() {
    chatsendc.setValue(0);
}

void FrmAmp::ChatSendsOnCommand() {
    chatsendc.setValue(1);
    const QString announcement = ExpandAnnouncement(ccoms().word(QStringLiteral("chatsend")));
    if (chkKeepFromRating.value() == 1) {
        pending.append(announcement);
        return;
    }
    SendGated(announcement);
}

}  // namespace ruz
