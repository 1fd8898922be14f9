#pragma once

#include "app/frmamp.h"
#include "irc/rooms.h"
#include "irc/socket_transport.h"
#include "mpris/mpris_player.h"
#include "mpris/mpris_service.h"
#include "mpris/observed_engine.h"
#include "platform/clock.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_timer_host.h"
#include "ui/qt_tray.h"

#include <QString>

#include <memory>
#include <optional>

namespace ruz::ui {

class BuddyListView;
class CcomsView;
class ChatRoomView;
class FrmAmpView;

struct DesktopOptions {
    // The folder whose songs are loaded once the program has started; "" for none.
    QString musicFolder;
    // Where the front room's transcript is written after every change; "" for nowhere.
    QString transcriptDump;
    // IRC channels instead of the stand-in's own room; nullopt for the stand-in's room.
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
    // Leaves the chat network (QUIT): its rooms close, and the stand-in signs on as the login
    // name again.
    void signOff();

    // The longest wait at start-up for the server's welcome, so that the buddy list shows the
    // nick the server accepted when the program reads it.
    static constexpr int kWelcomeWaitMs = 10000;
    static constexpr int kWelcomePollMs = 100;

  private:
    void buildViews();
    void startUp();
    void startWhenSignedOn(int waitedMs);
    void messengerChanged();
    void openOwnBuddyList();
    // The program follows the chat network's name for the user.
    void followNick();
    void dumpTranscript() const;

    DesktopOptions options_;
    QtTimerHost timers_;
    SystemClock clock_;
    winsys::WindowModel windows_;
    standin::MessengerStandIn messenger_;
    winsys::Hwnd buddyList_ = 0;
    irc::SocketTransport transport_;
    std::unique_ptr<irc::Rooms> ircRooms_;
    std::unique_ptr<mpris::ObservedEngine> engine_;
    QtDialogs dialogs_;
    QtTray tray_;
    Platform platform_;
    std::unique_ptr<FrmAmp> amp_;
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
