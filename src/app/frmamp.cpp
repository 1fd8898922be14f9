#include "app/frmamp.h"

#include "app/kept_settings.h"
#include "common/constants.h"
#include "text/text.h"

namespace ruz {

namespace {
constexpr char16_t kStartupQuestion[] = u"Are you using messenger:mate?";
constexpr char16_t kCaptionStart[] = u"\u2020- Taviks Ruz - User (";
constexpr char16_t kCaptionEnd[] = u") -\u2020";
constexpr char16_t kFilePattern[] = u"*.MP3;*.MP2;*.M3U";
constexpr char16_t kStartupLine[] = u"- Loads Taviks Ruz -";
}  // namespace

FrmAmp::FrmAmp(Platform& p)
    : window({controls_, u"FrmAmp"}, u" Taviks Ruz"),
      Timer1({controls_, u"Timer1"}, p.timers, kPositionRefreshMs, true),
      Timer2({controls_, u"Timer2"}, p.timers, kBuildStepMs, false),
      tmrGetSong({controls_, u"tmrGetSong"}, p.timers, kTitlePickUpMs, true),
      idle({controls_, u"idle"}, p.timers, kIdleReminderMs, false),
      tmrALag({controls_, u"tmrALag"}, p.timers, kAntiLagMs, false),
      lblsn({controls_, u"lblsn"}),
      Song({controls_, u"Song"}),
      Artist({controls_, u"Artist"}),
      minutes({controls_, u"minutes"}, u"0"),
      idlereason({controls_, u"idlereason"}, u"Label1"),
      Slider1({controls_, u"Slider1"}, kMinVolume, kMaxVolume, kMaxVolume),
      Slider2({controls_, u"Slider2"}, 0, kInitialPositionMax, 0),
      File1({controls_, u"File1"}, kFilePattern),
      List1({controls_, u"List1"}),
      ExplorerTree1({controls_, u"ExplorerTree1"}),
      Text1({controls_, u"Text1"}, u"Text1"),
      chatsendc({controls_, u"chatsendc"}, 1, u"Check1"),
      chkRandomSong({controls_, u"chkRandomSong"}, 0),
      chkRepeat({controls_, u"chkRepeat"}, 0),
      chkAutoGetSong({controls_, u"chkAutoGetSong"}, 1),
      chkKeepFromRating({controls_, u"chkKeepFromRating"}, 1),
      chkAntiLag({controls_, u"chkAntiLag"}, 0),
      Image1({controls_, u"Image1"}),
      Image2({controls_, u"Image2"}),
      Image3({controls_, u"Image3"}, u"Pause"),
      Image4({controls_, u"Image4"}),
      Image5({controls_, u"Image5"}),
      Image6({controls_, u"Image6"}, u"Mute"),
      Image7({controls_, u"Image7"}, u"Play"),
      Image8({controls_, u"Image8"}, u"Open Folder"),
      Image9({controls_, u"Image9"}),
      Image10({controls_, u"Image10"}),
      mnuhelp({controls_, u"mnuhelp"}, u"Ccoms"),
      mnuGetSong({controls_, u"mnuGetSong"}, u"Auto Get Song"),
      mnuidle({controls_, u"mnuidle"}, u"idle"),
      mnuMinimize({controls_, u"mnuMinimize"}, u"Minimize"),
      mnuDefaults({controls_, u"mnuDefaults"}, u"Restore Defaults"),
      mnutavikProgrammers({controls_, u"mnutavikProgrammers"}, u"Tavik"),
      mnuStop({controls_, u"mnuStop"}, u"Stop"),
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
                    return static_cast<std::uint64_t>(clock.now().time_since_epoch().count());
                }),
      transport_({Image1, Image2, Image3, Image4, Image5, Image6, Image7, Slider1, Slider2, Timer1},
                 p.media, playlist_, [this] { return ended_; }),
      announcer_(
          {tmrGetSong, Song, Artist, chkAutoGetSong, chkKeepFromRating}, playlist_, p.clock, room_,
          [this] { return ccoms().word(Word::Announcement); },
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
    // The transport's tips tell the look-alikes apart: a song on or back, or a few seconds.
    Image1.setToolTip(u"Back: the song before");
    Image2.setToolTip(u"Rewind: " + text::number(kSkipSeconds) + u" seconds back");
    Image5.setToolTip(u"Forward: " + text::number(kSkipSeconds) + u" seconds on");
    Image4.setToolTip(u"Skip: the next song");
    Slider1.setToolTip(u"Volume");
    Slider2.setToolTip(u"Current Position");
    File1.setToolTip(u"Playlist");
    chkRepeat.setToolTip(u"At the end of a song, play the same song again");
    chkRandomSong.setToolTip(
        u"Play the songs in a shuffled order, each once before any comes again");
    // At start the playlist lists the program's working folder.
    File1.setPath(u".");
    ExplorerTree1.setPath(File1.path());
    defaults_ = keptValues(*this);
    defaults_.erase(kFolderSetting);
    mnuDefaults.onClick = [this] { restoreDefaults(); };
    mnuStop.onClick = [this] { transport_.stop(); };
    chat.passedOver = [this](RoomScanner::ViewId view) { room_.passedOver(view); };
    // The user sees what the engine finds wrong where the program's other problems show: no
    // sound device means songs play on without sound.
    engineProblems_ = p.media.observeProblems([this](const std::string& problem) {
        if (!ended_) {
            platform_.dialogs.notice(text::fromUtf8(problem));
        }
    });
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
    lblsn.setCaption(messengerMate_ ? GetMMUser() : room_.firstDialogCaption());
    nameLearned_ = true;
    chat.scan_on();
    room_.send(daggered(kStartupLine));
    window.setCaption(kCaptionStart + lblsn.caption() + kCaptionEnd);
    chrome_.AddTrayIcon();
    window.setVisible(true);
}

void FrmAmp::screenNameChanged() {
    if (!nameLearned_ || ended_) {
        return;
    }
    lblsn.setCaption(messengerMate_ ? GetMMUser() : room_.firstDialogCaption());
    window.setCaption(kCaptionStart + lblsn.caption() + kCaptionEnd);
}

void FrmAmp::greetNewRoom() {
    if (!nameLearned_ || ended_) {
        return;
    }
    room_.send(daggered(kStartupLine));
    announcer_.announceSong();
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

std::u16string FrmAmp::GetMMUser() {
    // The buddy list's caption, "NAME's Buddy List", cut before its apostrophe.
    return std::u16string(text::splitFirst(room_.firstDialogCaption(), u'\'').before);
}

Ccoms& FrmAmp::ccoms() {
    if (!ccoms_) {
        ccoms_ = std::make_unique<Ccoms>();
        chrome_.attachCcoms(*ccoms_);
    }
    return *ccoms_;
}

}  // namespace ruz
