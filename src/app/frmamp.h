#pragma once

#include "commands/ccoms.h"
#include "messenger/aimchat.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/media/media_engine.h"
#include "platform/timer_host.h"
#include "platform/tray.h"
#include "platform/winsys/window_system.h"
#include "scanner/chat.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace ruz {

// The title a title-list build derives from a file name: the text before the first ".", from
// after its first " - " if it has one, in lower case.
QString BuildTitle(const QString& fileName);
// The index of the first entry of `list` that contains `text`, or -1.
int FindListItem(const QString& text, const ListBox& list);

// "NAME Has Gone Idle Reason (REASON)".
QString GoneIdleNotice(const QString& screenName, const QString& reason);

// What the program is given by the machine it runs on: one implementation of each seam.
struct Platform {
    TimerHost& timers;
    winsys::WindowSystem& windows;
    MediaEngine& media;
    Dialogs& dialogs;
    Tray& tray;
    Clock& clock;
};

// The main window: owns every control, the pending-announcement list and the notification-area
// record for the whole run. The program runs exactly as long as this window exists.
class FrmAmp {
  public:
    static constexpr int kPositionRefreshMs = 50;
    static constexpr int kBuildStepMs = 1;
    static constexpr int kTitlePickUpMs = 500;
    static constexpr int kIdleReminderMs = 60000;
    static constexpr int kAntiLagMs = 1000;
    static constexpr int kMaxVolume = 0;
    static constexpr int kMinVolume = -10000;
    static constexpr int kInitialPositionMax = 180;

    // Creates the window's controls with their design values: the enabled timers tick from now.
    explicit FrmAmp(Platform& platform);
    ~FrmAmp();
    FrmAmp(const FrmAmp&) = delete;
    FrmAmp& operator=(const FrmAmp&) = delete;

    // Start-up: runs once, before the window is first shown.
    void Form_Load();
    // The user closes the window: the program ends at once.
    void Form_Unload();
    bool ended() const { return ended_; }
    // Called once when the program has ended (the desktop leaves its event loop).
    std::function<void()> onEnded;

    // Screen-name discovery: the frontmost dialog window's caption, cut before its first
    // apostrophe.
    QString GetMMUser();
    void AddTrayIcon();
    void RemoveTrayIcon();
    const NotifyIconData& trayRecord() const { return trayRecord_; }

    // The messenger link, with the system's texts converted at this one edge.
    void SendChatText(const QString& text);
    void ClearChatTranscript();
    void CloseChatRoom();
    QString ChatTranscriptTail();

    // Playlist.
    void LoadFolder();
    void BuildStep();
    void SelectSong(int index);
    void OpenSelectedSong();
    void OpenFolderClicked();

    // Transport.
    void NextSong();
    void PreviousSong();
    void SeekBy(double seconds);
    void SeekTo(double seconds);
    void PauseSong();
    void ResumeSong();
    void ToggleMute();
    void SetVolume(int hundredthsOfDb);
    void RefreshPosition();
    void SongEndCheck();

    // Song announcement.
    void PickUpTitle();
    QString ExpandAnnouncement(const QString& announcementTemplate);
    void AnnounceSong();

    // Command dispatch: one chat line from the scanner.
    void aimchatscan(const QString& whosaid, const QString& whatsaid);
    // Sends `text` only while the chat sends are on.
    void SendGated(const QString& text);

    // Chat commands; those of the contains phase take the line's argument, if it has one.
    void VolumeCommand(const std::optional<QString>& argument);
    void SetPositionCommand(const std::optional<QString>& argument);
    void IdleOnCommand(const std::optional<QString>& argument);
    void SongSearchCommand(const std::optional<QString>& argument);
    void IdleOffCommand();
    void ClearCommand();
    void CloseRoomCommand();
    void SongLengthCommand();
    void EndCommand();
    void HideCommand();
    void ChatSendsOffCommand();
    void ChatSendsOnCommand();
    void HelpCommand();
    void ShowCommand();
    void StopCommand();
    void LastSongCommand();
    void FirstSongCommand();
    void ForwardCommand();
    void RewindCommand();
    void PauseCommand();
    void ResumeCommand();
    void MuteCommand();

    // Idle and away.
    void EnterIdle(const QString& reason);
    void LeaveIdle();
    bool IsIdle() const;
    void IdleMenuClicked();
    void IdleTick();

    // Hot keys of the option boxes.
    void OptionKeyDown(int keyCode);

    // Tray icon and window chrome.
    void TrayIconMessage(int mouseMessage);
    void MinimizeClicked();
    void CcomsMenuClicked();

    // The command-words window, created hidden the first time it is used.
    Ccoms& ccoms();
    bool hasCcoms() const { return ccoms_ != nullptr; }

    // Every named control of this window (not `Ccoms`), for the views and the scenario runner.
    Control* control(const QString& name);

    Platform& platform;
    messenger::AimChat aimchat;
    MediaEngine& MediaPlayer1;

    Window window;
    Timer Timer1;
    Timer Timer2;
    Timer tmrGetSong;
    Timer idle;
    Timer tmrALag;
    Chat chat;
    Label lblsn;
    Label Song;
    Label Artist;
    Label minutes;
    Label idlereason;
    Slider Slider1;
    Slider Slider2;
    FileListBox File1;
    ListBox List1;
    FolderTree ExplorerTree1;
    TextBox Text1;
    CheckBox chatsendc;
    CheckBox chkRandomSong;
    CheckBox chkRepeat;
    CheckBox chkAutoGetSong;
    CheckBox chkKeepFromRating;
    CheckBox chkAntiLag;
    Picture Image1, Image2, Image3, Image4, Image5, Image6, Image7, Image8, Image9, Image10;
    MenuEntry mnuhelp;
    MenuEntry mnuGetSong;
    MenuEntry mnuidle;
    MenuEntry mnuMinimize;
    MenuEntry mnutavikProgrammers;

    // The pending-announcement list: first in, first out.
    QStringList pending;

  private:
    void endProgram();
    // Attaches the window's reactions to its controls, and those of `Ccoms` when it is created.
    void wireReactions();
    void wireTransport();
    void wireAnnouncement();
    void wirePresence();
    void wireAntiLag();
    void wireHotKeys();
    void wireChrome();
    void wireCcoms();
    std::vector<Control*> namedControls();

    std::unique_ptr<Ccoms> ccoms_;
    NotifyIconData trayRecord_{};
    bool loaded_ = false;
    // Set when the engine accepts a song; the song-end check reads it.
    bool lastOpenAccepted_ = false;
    bool ended_ = false;
};

}  // namespace ruz
