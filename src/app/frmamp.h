#pragma once

#include "chrome/chrome.h"
#include "commands/dispatcher.h"
#include "common/chat_room.h"
#include "common/settings_store.h"
#include "controls/controls.h"
#include "messenger/aimchat.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/media/media_engine.h"
#include "platform/timer_host.h"
#include "platform/tray.h"
#include "platform/winsys/window_system.h"
#include "player/announcer.h"
#include "player/playlist.h"
#include "player/transport.h"
#include "presence/presence.h"
#include "scanner/room_scanner.h"
#include "words/ccoms.h"

#include <functional>
#include <memory>

namespace ruz {

// What the program is given by the machine it runs on: one implementation of each seam.
struct Platform {
    TimerHost& timers;
    winsys::WindowSystem& windows;
    MediaEngine& media;
    Dialogs& dialogs;
    Tray& tray;
    Clock& clock;
};

// The main window: owns every named control and the subsystems that work them, for the whole
// run. The program runs exactly as long as this window exists.
class FrmAmp {
    // Declared first: every control below registers here.
    ControlRegistry controls_;

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
    // The messenger now goes under another name (a chat network's server renamed the user):
    // once start-up has learned the screen name, it is learned again the same way, and the
    // caption follows.
    void screenNameChanged();
    // A new room came in front after start-up (a chat network signed on to, a channel joined)
    // and has heard nothing of the program yet: it hears the start-up line and the song that
    // plays, as the room in front does at start. Before start-up has greeted, nothing.
    void greetNewRoom();
    // Called once when the program has ended (the desktop leaves its event loop).
    std::function<void()> onEnded;
    // Called after "Restore Defaults" has put the kept settings back to their design values (the
    // desktop puts its windows back in their places).
    std::function<void()> onDefaultsRestored;

    // The command-words window, created hidden the first time it is used.
    Ccoms& ccoms();
    bool hasCcoms() const { return ccoms_ != nullptr; }
    const Ccoms* ccomsIfMade() const { return ccoms_.get(); }
    // This window's named controls (not those of `Ccoms`).
    const ControlRegistry& controls() const { return controls_; }

    Playlist& playlist() { return playlist_; }
    Transport& transport() { return transport_; }
    Announcer& announcer() { return announcer_; }
    const Chrome& chrome() const { return chrome_; }
    ChatRoom& room() { return room_; }

    Window window;                  // The main window: caption, visible, state, position
    Timer Timer1;                   // Position refresh
    Timer Timer2;                   // One step of the title-list build
    Timer tmrGetSong;               // Title pick-up
    Timer idle;                     // Idle reminder
    Timer tmrALag;                  // Anti-lag
    Label lblsn;                    // The user's screen name
    Label Song;                     // The song's title
    Label Artist;                   // The song's artist
    Label minutes;                  // Minutes idle
    Label idlereason;               // Idle reason
    Slider Slider1;                 // Volume
    Slider Slider2;                 // Position
    FileListBox File1;              // The playlist
    ListBox List1;                  // The title list
    FolderTree ExplorerTree1;       // The folder
    TextBox Text1;                  // The song search's text
    CheckBox chatsendc;             // The chat-sends switch (hidden)
    CheckBox chkRandomSong;         // Random
    CheckBox chkRepeat;             // Repeat
    CheckBox chkAutoGetSong;        // Auto get song
    CheckBox chkKeepFromRating;     // Keep from rating
    CheckBox chkAntiLag;            // Anti-lag
    Picture Image1;                 // Back
    Picture Image2;                 // Rewind
    Picture Image3;                 // Pause
    Picture Image4;                 // Skip
    Picture Image5;                 // Forward
    Picture Image6;                 // Mute
    Picture Image7;                 // Play
    Picture Image8;                 // Open Folder
    Picture Image9;                 // The skin's picture
    Picture Image10;                // Hide
    MenuEntry mnuhelp;              // Ccoms
    MenuEntry mnuGetSong;           // Auto Get Song
    MenuEntry mnuidle;              // Idle
    MenuEntry mnuMinimize;          // Minimize
    MenuEntry mnuDefaults;          // Restore Defaults
    MenuEntry mnutavikProgrammers;  // Tavik
    MenuEntry mnuStop;              // Stop, on no menu: the desktop's media keys press it
    MediaEngine& MediaPlayer1;
    RoomScanner chat;  // The chat scanner

  private:
    // Screen-name discovery: the frontmost dialog window's caption, cut before its first
    // apostrophe.
    std::u16string GetMMUser();
    void endProgram();
    void restoreDefaults();

    Platform& platform_;
    messenger::AimChat aimchat_;
    ChatRoom room_;
    Playlist playlist_;
    Transport transport_;
    Announcer announcer_;
    Presence presence_;
    Chrome chrome_;
    Dispatcher dispatcher_;
    std::unique_ptr<Ccoms> ccoms_;
    // The kept settings as the window was made (the folder aside): what "Restore Defaults" puts
    // back.
    SettingsStore::Values defaults_;
    bool loaded_ = false;
    bool messengerMate_ = false;  // the answer to the start-up question
    bool nameLearned_ = false;
    bool ended_ = false;
    // What the media engine finds wrong (no sound device), told in a notice.
    Subscription engineProblems_;
};

}  // namespace ruz
