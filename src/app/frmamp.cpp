#include "app/frmamp.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace ruz {

namespace {
const QString kStartupQuestion = QStringLiteral("Are you using messenger:mate?");
const QString kLoadsAnnouncement = QStringLiteral("\u2020- Loads Taviks Ruz -\u2020");
const QString kCaptionStart = QStringLiteral("\u2020- Taviks Ruz - User (");
const QString kCaptionEnd = QStringLiteral(") -\u2020");
const QString kFilePattern = QStringLiteral("*.MP3;*.MP2;*.M3U");

constexpr std::uint32_t kTrayRecordSize = 88;
constexpr std::uint32_t kTrayIconId = 1;
constexpr std::uint32_t kMainWindowHandle = 1;
constexpr std::uint32_t kMainWindowIcon = 1;
constexpr char kTrayTip[] = "Click To Maximize";
}  // namespace

FrmAmp::FrmAmp(Platform& p)
    : platform(p),
      aimchat(p.windows),
      MediaPlayer1(p.media),
      window(QStringLiteral("FrmAmp"), QStringLiteral(" Taviks Ruz")),
      Timer1(QStringLiteral("Timer1"), p.timers, kPositionRefreshMs, true),
      Timer2(QStringLiteral("Timer2"), p.timers, kBuildStepMs, false),
      tmrGetSong(QStringLiteral("tmrGetSong"), p.timers, kTitlePickUpMs, true),
      idle(QStringLiteral("idle"), p.timers, kIdleReminderMs, false),
      tmrALag(QStringLiteral("tmrALag"), p.timers, kAntiLagMs, false),
      chat(p.timers, [this] { return ChatTranscriptTail(); }),
      lblsn(QStringLiteral("lblsn")),
      Song(QStringLiteral("Song")),
      Artist(QStringLiteral("Artist")),
      minutes(QStringLiteral("minutes"), QStringLiteral("0")),
      idlereason(QStringLiteral("idlereason"), QStringLiteral("Label1")),
      Slider1(QStringLiteral("Slider1"), kMinVolume, kMaxVolume, kMaxVolume),
      Slider2(QStringLiteral("Slider2"), 0, kInitialPositionMax, 0),
      File1(QStringLiteral("File1"), kFilePattern),
      List1(QStringLiteral("List1")),
      ExplorerTree1(QStringLiteral("ExplorerTree1")),
      Text1(QStringLiteral("Text1"), QStringLiteral("Text1")),
      chatsendc(QStringLiteral("chatsendc"), 1, QStringLiteral("Check1")),
      chkRandomSong(QStringLiteral("chkRandomSong"), 0),
      chkRepeat(QStringLiteral("chkRepeat"), 0),
      chkAutoGetSong(QStringLiteral("chkAutoGetSong"), 1),
      chkKeepFromRating(QStringLiteral("chkKeepFromRating"), 1),
      chkAntiLag(QStringLiteral("chkAntiLag"), 0),
      Image1(QStringLiteral("Image1"), QStringLiteral("Back")),
      Image2(QStringLiteral("Image2"), QStringLiteral("Rewind")),
      Image3(QStringLiteral("Image3"), QStringLiteral("Pause")),
      Image4(QStringLiteral("Image4"), QStringLiteral("Skip")),
      Image5(QStringLiteral("Image5"), QStringLiteral("Forward")),
      Image6(QStringLiteral("Image6"), QStringLiteral("Mute")),
      Image7(QStringLiteral("Image7"), QStringLiteral("Play")),
      Image8(QStringLiteral("Image8"), QStringLiteral("Open Folder")),
      Image9(QStringLiteral("Image9")),
      Image10(QStringLiteral("Image10")),
      mnuhelp(QStringLiteral("mnuhelp"), QStringLiteral("Ccoms")),
      mnuGetSong(QStringLiteral("mnuGetSong"), QStringLiteral("Auto Get Song")),
      mnuidle(QStringLiteral("mnuidle"), QStringLiteral("idle")),
      mnuMinimize(QStringLiteral("mnuMinimize"), QStringLiteral("Minimize")),
      mnutavikProgrammers(QStringLiteral("mnutavikProgrammers"), QStringLiteral("Tavik")) {
    Slider1.setToolTip(QStringLiteral("Volume"));
    Slider2.setToolTip(QStringLiteral("Current Position"));
    File1.setToolTip(QStringLiteral("Playlist"));
    // At start the playlist lists the program's working folder.
    File1.setPath(QDir::currentPath());
    ExplorerTree1.setPath(File1.path());
    wireReactions();
}

FrmAmp::~FrmAmp() {
    // The engine and the tray outlive the window: they must not call back into it.
    MediaPlayer1.setPlayStateChanged({});
    platform.tray.onIconMessage = nullptr;
}

void FrmAmp::Form_Load() {
    if (loaded_ || ended_) {
        return;
    }
    loaded_ = true;
    pending.clear();
    const bool messengerMate = platform.dialogs.askYesNo(kStartupQuestion);
    if (ended_) {
        return;
    }
    lblsn.setCaption(messengerMate ? GetMMUser()
                                   : QString::fromStdString(aimchat.ReadFirstDialogCaption()));
    chat.scan_on();
    SendChatText(kLoadsAnnouncement);
    window.setCaption(kCaptionStart + lblsn.caption() + kCaptionEnd);
    AddTrayIcon();
    window.setVisible(true);
}

void FrmAmp::Form_Unload() {
    if (ended_) {
        return;
    }
    endProgram();
}

void FrmAmp::endProgram() {
    RemoveTrayIcon();
    ended_ = true;
    // Nothing of the program runs after this: every timer stops, the windows close, the sound
    // ends.
    for (Timer* timer : {&Timer1, &Timer2, &tmrGetSong, &idle, &tmrALag, &chat.chat_tymer}) {
        timer->setEnabled(false);
    }
    MediaPlayer1.stop();
    window.setVisible(false);
    if (ccoms_) {
        ccoms_->window.setVisible(false);
    }
    if (onEnded) {
        onEnded();
    }
}

QString FrmAmp::GetMMUser() {
    QString caption = QString::fromStdString(aimchat.ReadFirstDialogCaption());
    const qsizetype apostrophe = caption.indexOf(u'\'');
    if (apostrophe >= 0) {
        caption.truncate(apostrophe);
    }
    return caption;
}

void FrmAmp::AddTrayIcon() {
    trayRecord_ = NotifyIconData{};
    trayRecord_.cbSize = kTrayRecordSize;
    trayRecord_.hWnd = kMainWindowHandle;
    trayRecord_.uID = kTrayIconId;
    trayRecord_.uFlags = kNifMessage | kNifIcon | kNifTip;
    trayRecord_.uCallbackMessage = kWmMouseMove;
    trayRecord_.hIcon = kMainWindowIcon;
    // The tip is ended by a NUL; the rest of the field is filled with blanks.
    trayRecord_.szTip.fill(' ');
    std::memcpy(trayRecord_.szTip.data(), kTrayTip, sizeof kTrayTip);
    platform.tray.notifyIcon(kNimAdd, trayRecord_);
}

void FrmAmp::RemoveTrayIcon() {
    platform.tray.notifyIcon(kNimDelete, trayRecord_);
}

void FrmAmp::SendChatText(const QString& text) {
    aimchat.SendChatText(text.toStdString());
}

void FrmAmp::ClearChatTranscript() {
    aimchat.ClearChatTranscript();
}

void FrmAmp::CloseChatRoom() {
    aimchat.CloseChatRoom();
}

QString FrmAmp::ChatTranscriptTail() {
    return QString::fromStdString(aimchat.ChatTranscriptTail());
}

Ccoms& FrmAmp::ccoms() {
    if (!ccoms_) {
        ccoms_ = std::make_unique<Ccoms>();
        wireCcoms();
    }
    return *ccoms_;
}

std::vector<Control*> FrmAmp::namedControls() {
    return {&window,
            &Timer1,
            &Timer2,
            &tmrGetSong,
            &idle,
            &tmrALag,
            &chat.chat_tymer,
            &lblsn,
            &Song,
            &Artist,
            &minutes,
            &idlereason,
            &Slider1,
            &Slider2,
            &File1,
            &List1,
            &ExplorerTree1,
            &Text1,
            &chatsendc,
            &chkRandomSong,
            &chkRepeat,
            &chkAutoGetSong,
            &chkKeepFromRating,
            &chkAntiLag,
            &Image1,
            &Image2,
            &Image3,
            &Image4,
            &Image5,
            &Image6,
            &Image7,
            &Image8,
            &Image9,
            &Image10,
            &mnuhelp,
            &mnuGetSong,
            &mnuidle,
            &mnuMinimize,
            &mnutavikProgrammers};
}

Control* FrmAmp::control(const QString& name) {
    for (Control* c : namedControls()) {
        if (c->name() == name) {
            return c;
        }
    }
    return nullptr;
}

void FrmAmp::wireReactions() {
    wireTransport();
    wireAnnouncement();
    wirePresence();
    wireChrome();
    chat.aimchatscan = [this](QString& whosaid, QString& whatsaid, QString&) {
        aimchatscan(whosaid, whatsaid);
    };
}

}  // namespace ruz
