#include "app/frmamp.h"

#include "app/kept_settings.h"
#include "common/constants.h"
#include "qt/qt_text.h"

#include <QDir>

namespace ruz {

namespace {
const QString kStartupQuestion = QStringLiteral("Are you using messenger:mate?");
const QString kCaptionStart = QStringLiteral("\u2020- Taviks Ruz - User (");
const QString kCaptionEnd = QStringLiteral(") -\u2020");
const QString kFilePattern = QStringLiteral("*.MP3;*.MP2;*.M3U");
}  // namespace

FrmAmp::FrmAmp(Platform& p)
    : window({controls_, QStringLiteral("FrmAmp")}, QStringLiteral(" Taviks Ruz")),
      Timer1({controls_, QStringLiteral("Timer1")}, p.timers, kPositionRefreshMs, true),
      Timer2({controls_, QStringLiteral("Timer2")}, p.timers, kBuildStepMs, false),
      tmrGetSong({controls_, QStringLiteral("tmrGetSong")}, p.timers, kTitlePickUpMs, true),
      idle({controls_, QStringLiteral("idle")}, p.timers, kIdleReminderMs, false),
      tmrALag({controls_, QStringLiteral("tmrALag")}, p.timers, kAntiLagMs, false),
      lblsn({controls_, QStringLiteral("lblsn")}),
      Song({controls_, QStringLiteral("Song")}),
      Artist({controls_, QStringLiteral("Artist")}),
      minutes({controls_, QStringLiteral("minutes")}, QStringLiteral("0")),
      idlereason({controls_, QStringLiteral("idlereason")}, QStringLiteral("Label1")),
      Slider1({controls_, QStringLiteral("Slider1")}, kMinVolume, kMaxVolume, kMaxVolume),
      Slider2({controls_, QStringLiteral("Slider2")}, 0, kInitialPositionMax, 0),
      File1({controls_, QStringLiteral("File1")}, kFilePattern),
      List1({controls_, QStringLiteral("List1")}),
      ExplorerTree1({controls_, QStringLiteral("ExplorerTree1")}),
      Text1({controls_, QStringLiteral("Text1")}, QStringLiteral("Text1")),
      chatsendc({controls_, QStringLiteral("chatsendc")}, 1, QStringLiteral("Check1")),
      chkRandomSong({controls_, QStringLiteral("chkRandomSong")}, 0),
      chkRepeat({controls_, QStringLiteral("chkRepeat")}, 0),
      chkAutoGetSong({controls_, QStringLiteral("chkAutoGetSong")}, 1),
      chkKeepFromRating({controls_, QStringLiteral("chkKeepFromRating")}, 1),
      chkAntiLag({controls_, QStringLiteral("chkAntiLag")}, 0),
      Image1({controls_, QStringLiteral("Image1")}, QStringLiteral("Back")),
      Image2({controls_, QStringLiteral("Image2")}, QStringLiteral("Rewind")),
      Image3({controls_, QStringLiteral("Image3")}, QStringLiteral("Pause")),
      Image4({controls_, QStringLiteral("Image4")}, QStringLiteral("Skip")),
      Image5({controls_, QStringLiteral("Image5")}, QStringLiteral("Forward")),
      Image6({controls_, QStringLiteral("Image6")}, QStringLiteral("Mute")),
      Image7({controls_, QStringLiteral("Image7")}, QStringLiteral("Play")),
      Image8({controls_, QStringLiteral("Image8")}, QStringLiteral("Open Folder")),
      Image9({controls_, QStringLiteral("Image9")}),
      Image10({controls_, QStringLiteral("Image10")}),
      mnuhelp({controls_, QStringLiteral("mnuhelp")}, QStringLiteral("Ccoms")),
      mnuGetSong({controls_, QStringLiteral("mnuGetSong")}, QStringLiteral("Auto Get Song")),
      mnuidle({controls_, QStringLiteral("mnuidle")}, QStringLiteral("idle")),
      mnuMinimize({controls_, QStringLiteral("mnuMinimize")}, QStringLiteral("Minimize")),
      mnuDefaults({controls_, QStringLiteral("mnuDefaults")}, QStringLiteral("Restore Defaults")),
      mnutavikProgrammers({controls_, QStringLiteral("mnutavikProgrammers")},
                          QStringLiteral("Tavik")),
      mnuStop({controls_, QStringLiteral("mnuStop")}, QStringLiteral("Stop")),
      MediaPlayer1(p.media),
      chat(p.timers,
           RoomScanner::Views{
               [this] { return room_.transcriptViews(); },
               [this](RoomScanner::ViewId view, text::Index from, text::Index& length) {
                   return room_.transcriptFrom(view, from, length);
               },
               [this] { return room_.clearTranscript(); }},
           &controls_),
      platform_(p),
      aimchat_(p.windows),
      room_(aimchat_, chatsendc),
      playlist_({File1, List1, ExplorerTree1, Text1, Timer2, Image8, chkRepeat, chkRandomSong},
                p.dialogs, room_, announcer_,
                [&clock = p.clock] {
                    return static_cast<std::uint64_t>(clock.now().toMSecsSinceEpoch());
                }),
      transport_({Image1, Image2, Image3, Image4, Image5, Image6, Image7, Slider1, Slider2, Timer1},
                 p.media, playlist_, [this] { return ended_; }),
      announcer_(
          {tmrGetSong, Song, Artist, chkAutoGetSong, chkKeepFromRating}, playlist_, p.clock, room_,
          [this] { return fromQString(ccoms().word(Word::Announcement)); },
          [this] { return transport_.passingOver(); }),
      presence_({idle, minutes, idlereason, mnuidle, chkAntiLag, tmrALag, chkAutoGetSong, chkRepeat,
                 chkRandomSong, chkKeepFromRating, lblsn},
                p.dialogs, room_, chat, [this] { return ended_; }),
      chrome_(
          {window, mnuMinimize, mnuhelp, Image10}, p.tray, [this]() -> Ccoms& { return ccoms(); },
          [this] { return ended_; }),
      dispatcher_(
          lblsn, [this]() -> Ccoms& { return ccoms(); },
          {room_, chat, playlist_, transport_, announcer_, presence_, chrome_},
          [this] { endProgram(); }) {
    Slider1.setToolTip(QStringLiteral("Volume"));
    Slider2.setToolTip(QStringLiteral("Current Position"));
    File1.setToolTip(QStringLiteral("Playlist"));
    chkRepeat.setToolTip(QStringLiteral("At the end of a song, play the same song again"));
    chkRandomSong.setToolTip(
        QStringLiteral("Play the songs in a shuffled order, each once before any comes again"));
    // At start the playlist lists the program's working folder.
    File1.setPath(QDir::currentPath());
    ExplorerTree1.setPath(File1.path());
    defaults_ = keptValues(*this);
    defaults_.erase(kFolderSetting);
    mnuDefaults.onClick = [this] { restoreDefaults(); };
    mnuStop.onClick = [this] { transport_.stop(); };
    chat.passedOver = [this](RoomScanner::ViewId view) { room_.passedOver(view); };
    chat.aimchatscan = [this](std::u16string& whosaid, std::u16string& whatsaid, std::u16string&) {
        if (!ended_) {
            dispatcher_.aimchatscan(whosaid, whatsaid);
        }
    };
}

FrmAmp::~FrmAmp() = default;

void FrmAmp::Form_Load() {
    if (loaded_ || ended_) {
        return;
    }
    loaded_ = true;
    announcer_.clearPending();
    messengerMate_ = platform_.dialogs.askYesNo(kStartupQuestion);
    if (ended_) {
        return;
    }
    lblsn.setCaption(messengerMate_ ? GetMMUser() : toQString(room_.firstDialogCaption()));
    nameLearned_ = true;
    chat.scan_on();
    room_.send(daggered(u"- Loads Taviks Ruz -"));
    window.setCaption(kCaptionStart + lblsn.caption() + kCaptionEnd);
    chrome_.AddTrayIcon();
    window.setVisible(true);
}

void FrmAmp::screenNameChanged() {
    if (!nameLearned_ || ended_) {
        return;
    }
    lblsn.setCaption(messengerMate_ ? GetMMUser() : toQString(room_.firstDialogCaption()));
    window.setCaption(kCaptionStart + lblsn.caption() + kCaptionEnd);
}

void FrmAmp::Form_Unload() {
    if (ended_) {
        return;
    }
    endProgram();
}

void FrmAmp::endProgram() {
    chrome_.RemoveTrayIcon();
    ended_ = true;
    // Nothing of the program runs after this: every timer stops, the windows close, the sound
    // ends.
    for (Control* control : controls_.all()) {
        if (auto* timer = dynamic_cast<Timer*>(control)) {
            timer->setEnabled(false);
        }
    }
    transport_.stop();
    window.setVisible(false);
    if (ccoms_) {
        ccoms_->window.setVisible(false);
    }
    if (onEnded) {
        onEnded();
    }
}

void FrmAmp::restoreDefaults() {
    if (ended_) {
        return;
    }
    applyKeptValues(*this, defaults_);
    if (onDefaultsRestored) {
        onDefaultsRestored();
    }
}

QString FrmAmp::GetMMUser() {
    QString caption = toQString(room_.firstDialogCaption());
    const qsizetype apostrophe = caption.indexOf(u'\'');
    if (apostrophe >= 0) {
        caption.truncate(apostrophe);
    }
    return caption;
}

Ccoms& FrmAmp::ccoms() {
    if (!ccoms_) {
        ccoms_ = std::make_unique<Ccoms>();
        chrome_.attachCcoms(*ccoms_);
    }
    return *ccoms_;
}

}  // namespace ruz
