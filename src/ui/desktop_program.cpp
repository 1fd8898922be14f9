#include "ui/desktop_program.h"

#include "platform/media/engine_factory.h"
#include "scanner/chat.h"
#include "ui/ccoms_view.h"
#include "ui/frmamp_view.h"
#include "ui/logo.h"
#include "ui/messenger_views.h"
#include "ui/sign_on_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

namespace ruz::ui {

namespace {

// Where the windows first stand, in pixels: side by side on a small screen.
const QPoint kMainWindowAt(620, 40);
const QPoint kRoomWindowAt(20, 330);
const QPoint kBuddyListAt(1000, 40);

}  // namespace

DesktopProgram::DesktopProgram(DesktopOptions options)
    : options_(std::move(options)),
      messenger_(windows_, [this] { return clock_.longTime(clock_.now()).toStdString(); }),
      engine_(std::make_unique<mpris::ObservedEngine>(makeDesktopEngine(timers_))),
      tray_(logoIcon()),
      platform_{timers_, windows_, *engine_, dialogs_, tray_, clock_} {
    // The program runs for days: the window model keeps no record of its messages.
    windows_.setRecording(false);
    if (options_.irc) {
        ircRooms_ =
            std::make_unique<irc::Rooms>(messenger_, windows_, timers_, transport_, *options_.irc);
        buddyList_ = ircRooms_->buddyList();
        followNick();
    } else {
        openOwnBuddyList();
        messenger_.openRoom();
    }

    amp_ = std::make_unique<FrmAmp>(platform_);
    amp_->onEnded = [] { QCoreApplication::exit(0); };
    messenger_.setChangeListener([this] { messengerChanged(); });
}

// The windows other than the start-up question: built while the question is on the screen, so
// that the program's first window comes as fast as a bare program's.
void DesktopProgram::buildViews() {
    if (ampView_) {
        return;
    }
    // The command-words window exists from the start here, hidden, so that its view can be bound
    // to it; it is the same window the program would create at its first use.
    Ccoms& words = amp_->ccoms();
    ampView_ = std::make_unique<FrmAmpView>(*amp_);
    ampView_->move(kMainWindowAt);
    // The dialogs belong to the main window: above it and transient for it; questions are modal
    // to it alone, so the messenger's windows stay usable.
    ampView_->winId();
    dialogs_.setOwner(ampView_.get());
    dialogs_.currentFolder = [this] { return amp_->ExplorerTree1.path(); };
    tray_.bringForward = [this] { return ampView_ && ampView_->comeForward(); };
    ccomsView_ = std::make_unique<CcomsView>(words);
    ampView_->setCcomsView(ccomsView_.get());
    roomView_ = std::make_unique<ChatRoomView>(messenger_, windows_);
    roomView_->move(kRoomWindowAt);
    buddyView_ = std::make_unique<BuddyListView>(messenger_, windows_, buddyList_);
    buddyView_->move(kBuddyListAt);
    buddyView_->onSignOn = [this](irc::Settings settings) { signOn(std::move(settings)); };
    buddyView_->onSignOff = [this] { signOff(); };
    buddyView_->show();
    messengerChanged();
}

DesktopProgram::~DesktopProgram() {
    if (ircRooms_) {
        ircRooms_->session().stop(QStringLiteral("Taviks Ruz"));
    }
    ircRooms_.reset();
    messenger_.setChangeListener(nullptr);
    mprisService_.reset();
    mpris_.reset();
    dialogs_.setOwner(nullptr);
    dialogs_.currentFolder = nullptr;
    tray_.bringForward = nullptr;
    buddyView_.reset();
    roomView_.reset();
    ccomsView_.reset();
    ampView_.reset();
    amp_.reset();
}

void DesktopProgram::start() {
    dialogs_.whenFirstShown([this] { buildViews(); });
    messengerChanged();
    if (ircRooms_) {
        ircRooms_->start();
        QTimer::singleShot(0, [this] { startWhenSignedOn(0); });
        return;
    }
    // The program lives as long as the event loop runs.
    QTimer::singleShot(0, [this] { startUp(); });
}

void DesktopProgram::startWhenSignedOn(int waitedMs) {
    if (ircRooms_->session().registered() || waitedMs >= kWelcomeWaitMs) {
        startUp();
        return;
    }
    QTimer::singleShot(kWelcomePollMs,
                       [this, waitedMs] { startWhenSignedOn(waitedMs + kWelcomePollMs); });
}

void DesktopProgram::signOn(irc::Settings settings) {
    signOff();
    windows_.destroyWindow(buddyList_);
    ircRooms_ = std::make_unique<irc::Rooms>(messenger_, windows_, timers_, transport_,
                                             std::move(settings));
    buddyList_ = ircRooms_->buddyList();
    followNick();
    if (buddyView_) {
        buddyView_->setDialog(buddyList_);
    }
    ircRooms_->start();
    amp_->ScreenNameChanged();
    messengerChanged();
}

void DesktopProgram::signOff() {
    if (!ircRooms_) {
        return;
    }
    ircRooms_->session().stop(QStringLiteral("Taviks Ruz"));
    ircRooms_.reset();
    openOwnBuddyList();
    if (buddyView_) {
        buddyView_->setDialog(buddyList_);
    }
    amp_->ScreenNameChanged();
    messengerChanged();
}

void DesktopProgram::openOwnBuddyList() {
    const QString name = loginName();
    messenger_.signOn(name.toStdString());
    buddyList_ = messenger_.openDialog((name + QStringLiteral("'s Buddy List")).toStdString());
}

void DesktopProgram::followNick() {
    ircRooms_->setNickListener([this] {
        if (amp_) {
            amp_->ScreenNameChanged();
        }
    });
}

void DesktopProgram::startUp() {
    amp_->Form_Load();
    buildViews();  // when start-up asked nothing
    if (amp_->ended()) {
        return;
    }
    // On the session bus once the player runs; without a bus the program goes on without it.
    mpris_ = std::make_unique<mpris::MprisPlayer>(*amp_, *engine_, timers_);
    mprisService_ = mpris::MprisService::publish(*mpris_);
    if (options_.musicFolder.isEmpty()) {
        return;
    }
    const QDir folder(options_.musicFolder);
    if (!folder.exists()) {
        std::fprintf(stderr, "ruz: music folder not found: %s\n", qPrintable(options_.musicFolder));
        return;
    }
    amp_->ExplorerTree1.userPick(QDir::cleanPath(folder.absolutePath()));
}

void DesktopProgram::messengerChanged() {
    if (roomView_) {
        roomView_->refresh();
    }
    if (buddyView_) {
        buddyView_->setSignedOn(ircRooms_ != nullptr,
                                ircRooms_ != nullptr && ircRooms_->session().live());
        buddyView_->refresh();
    }
    dumpTranscript();
}

void DesktopProgram::dumpTranscript() const {
    if (options_.transcriptDump.isEmpty()) {
        return;
    }
    QSaveFile file(options_.transcriptDump);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    // One line of the room a line of the file, as "SENDER: MESSAGE" with the markup read away.
    const QString transcript = QString::fromStdString(messenger_.transcriptUtf8());
    QString lines;
    for (const QString& raw :
         transcript.split(QStringLiteral("<BR>"), Qt::SkipEmptyParts, Qt::CaseInsensitive)) {
        const ChatLine line = CutChatLine(QStringLiteral("<BR>") + raw);
        lines +=
            line.whosaid + QStringLiteral(": ") + DecodeCharacterReferences(line.whatsaid) + u'\n';
    }
    file.write(lines.toUtf8());
    file.commit();
}

}  // namespace ruz::ui
