#pragma once

#include "app/frmamp.h"
#include "common/settings_store.h"
#include "desktop/welcome_wait.h"
#include "irc/rooms.h"
#include "irc/socket_link.h"
#include "mpris/mpris_player.h"
#include "mpris/mpris_service.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_timer_host.h"
#include "ui/qt_tray.h"
#include "ui/system_clock.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

namespace ruz::ui {

class BuddyListView;
class CcomsView;
class ChatRoomView;
class FrmAmpView;

struct DesktopOptions {
    // The folder whose songs are loaded once the program has started, or a song whose folder is
    // loaded and which then plays; "" for the folder of the last run, else the user's music
    // folder, else the home folder.
    QString musicFolder;
    // Where the settings are kept between runs; "" to keep nothing.
    std::string settingsFile;
    // Where the front room's transcript is written after every change; "" for nowhere.
    QString transcriptDump;
    // IRC channels instead of the stand-in's own room; nullopt for the network the user was
    // signed on to at the end of the last run, else the stand-in's room.
    std::optional<irc::Settings> irc;
};

// The desktop program: the main window on the machine's timers, dialogs, notification area,
// clock and media engine, and beside it the messenger stand-in with its windows. Create it after
// the application object, on the user-interface thread.
class DesktopProgram {
  public:
    explicit DesktopProgram(DesktopOptions options);
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // Shows the messenger's windows and runs the main window's start-up as soon as the event
    // loop runs; the application's loop ends when the program does.
    void start();
    // Signs on to a chat network: its channels open as rooms, and its buddy list comes in front;
    // a network signed on before is left first.
    void signOn(irc::Settings settings);
    // "Sign on to a chat network...": the window, then the sign-on.
    void askSignOn();
    // Leaves the chat network (QUIT): its rooms close, and the stand-in signs on as the login
    // name again.
    void signOff();

    FrmAmp& mainWindow() { return *amp_; }
    // The messenger stand-in beside the player, whose rooms the user types into.
    standin::MessengerStandIn& messenger() { return messenger_; }

    // How often a song given at start looks whether the title list's last notice is closed.
    static constexpr int kSongDuePollMs = 100;

  private:
    void buildViews();
    void startUp();
    void messengerChanged();
    void openOwnBuddyList();
    // The program follows the chat network's name for the user.
    void followNick();
    // The rooms of a chat network just opened: the program follows the nick, the buddy list the
    // connection's state, and the room in front is greeted once the program is in its channel.
    void attachRooms();
    // "Join a chat room": a channel while signed on to a chat network, else a room of the
    // stand-in's own.
    void joinRoom();
    void dumpTranscript() const;
    // A start-up problem: one line on the error output at once, and in a notice once started.
    void report(const QString& problem);
    QString startFolder();
    void playWhenListed(const QString& name);
    void playAfterBuild(const QString& name);
    void placeWindows(bool remembered);
    void keepSettings();

    // The windows whose places are kept, in the order of kPlaces.
    std::array<QWidget*, 4> placedViews() const;

    DesktopOptions options_;
    SettingsStore settings_;
    // What went wrong at start, one line each: shown once the program has started.
    QStringList problems_;
    // The playlist entry that plays once the title list is built; "" for none.
    QString pendingSong_;
    QtTimerHost timers_;
    SystemClock clock_;
    winsys::WindowModel windows_;
    standin::MessengerStandIn messenger_;
    winsys::Hwnd buddyList_ = 0;
    irc::SocketLink ircLink_;
    std::unique_ptr<irc::Rooms> ircRooms_;
    // Start-up on a chat network, until the server's welcome.
    std::unique_ptr<desktop::WelcomeWait> welcomeWait_;
    std::unique_ptr<MediaEngine> engine_;
    QtDialogs dialogs_;
    QtTray tray_;
    Platform platform_;
    std::unique_ptr<FrmAmp> amp_;
    // Plays `pendingSong_` once the title list is built.
    Subscription pendingSongListener_;
    // The views go before the controls they show.
    std::unique_ptr<FrmAmpView> ampView_;
    std::unique_ptr<CcomsView> ccomsView_;
    std::unique_ptr<ChatRoomView> roomView_;
    std::unique_ptr<BuddyListView> buddyView_;
    // The media keys and the sound menu; they go before the main window.
    std::unique_ptr<mpris::MprisPlayer> mpris_;
    std::unique_ptr<mpris::MprisService> mprisService_;
};

}  // namespace ruz::ui
