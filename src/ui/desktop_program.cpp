#include "ui/desktop_program.h"

#include "app/kept_settings.h"
#include "desktop/sign_on.h"
#include "desktop/start_place.h"
#include "desktop/welcome_wait.h"
#include "platform/media/engine_factory.h"
#include "qt/qt_text.h"
#include "standin/transcript_markup.h"
#include "text/text.h"
#include "ui/ccoms_view.h"
#include "ui/frmamp_view.h"
#include "ui/logo.h"
#include "ui/messenger_views.h"
#include "ui/qt_places.h"
#include "ui/sign_on_dialog.h"
#include "ui/view_binding.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace ruz::ui {

namespace {

// The windows whose places are kept, with the setting that keeps each and where it first stands,
// in pixels: side by side on a small screen. The command-words window is moved through its
// control, which its view follows.
struct WindowPlace {
    const char* setting;
    QPoint designed;
    bool throughControl;
};
const WindowPlace kPlaces[] = {{"place.FrmAmp", {620, 40}, false},
                               {"place.Ccoms", {0, 0}, true},
                               {"place.room", {20, 330}, false},
                               {"place.buddies", {1000, 40}, false}};

// How much of a kept window, right of and below its corner, stays on its screen at the least.
constexpr int kKeptOnScreen = 48;

// A kept place: "X Y", the window frame's top left corner in pixels. A place off the screens
// there are now, or with the title bar above the top of the screen, comes back onto the screen
// it is nearest to (the primary one when it is on none).
std::optional<QPoint> keptPlace(const SettingsStore::Values& values, const char* setting) {
    const auto found = values.find(setting);
    if (found == values.end()) {
        return std::nullopt;
    }
    const QStringList parts = QString::fromStdString(found->second).split(u' ');
    bool xOk = false;
    bool yOk = false;
    const QPoint at(parts.value(0).toInt(&xOk), parts.value(1).toInt(&yOk));
    if (parts.size() != 2 || !xOk || !yOk) {
        return std::nullopt;
    }
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return std::nullopt;
    }
    const QRect area = screen->availableGeometry();
    return QPoint(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - kKeptOnScreen)),
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - kKeptOnScreen)));
}

}  // namespace

DesktopProgram::DesktopProgram(DesktopOptions options)
    : options_(std::move(options)),
      messenger_(windows_, [this] { return text::toUtf8(clock_.longTime(clock_.now())); }),
      engine_(makeDesktopEngine(timers_)),
      tray_(logoIcon()),
      platform_{timers_, windows_, *engine_, dialogs_, tray_, clock_} {
    // The program runs for days: the window model keeps no record of its messages.
    windows_.setRecording(false);
    if (!options_.settingsFile.empty()) {
        DiskSettingsFile file(options_.settingsFile);
        if (std::string problem = settings_.load(file); !problem.empty()) {
            report(QString::fromStdString(problem));
        }
        adoptEarlierSignOn(settings_);
    }
    // The command line's network first, else the one the user was signed on to at the end of
    // the last run.
    if (!options_.irc) {
        options_.irc = desktop::resumedSignOn(settings_.values());
    }
    if (options_.irc) {
        ircRooms_ =
            std::make_unique<irc::Rooms>(messenger_, windows_, timers_, ircLink_, *options_.irc);
        buddyList_ = ircRooms_->buddyList();
        attachRooms();
    } else {
        openOwnBuddyList();
        messenger_.openRoom();
    }

    amp_ = std::make_unique<FrmAmp>(platform_);
    // The loop ends once the channels have heard the last lines and the QUIT.
    amp_->onEnded = [this] {
        if (ircRooms_) {
            ircRooms_->leave([] { QCoreApplication::exit(0); });
        } else {
            QCoreApplication::exit(0);
        }
    };
    amp_->onDefaultsRestored = [this] { placeWindows(false); };
    if (!options_.settingsFile.empty()) {
        const std::string where = DiskSettingsFile(options_.settingsFile).where();
        if (std::string problem = applyKeptSettings(settings_, where, *amp_); !problem.empty()) {
            report(QString::fromStdString(problem));
        }
    }
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
    dialogs_.currentFolder = [this] { return toQString(amp_->ExplorerTree1.path()); };
    tray_.bringForward = [this] { return ampView_ && ampView_->comeForward(); };
    ccomsView_ = std::make_unique<CcomsView>(words);
    ampView_->setCcomsView(ccomsView_.get());
    roomView_ = std::make_unique<ChatRoomView>(messenger_, windows_);
    buddyView_ = std::make_unique<BuddyListView>(messenger_, windows_, buddyList_);
    // Placed before any of them has a native window: the place is then the frame's, as kept.
    placeWindows(true);
    // The dialogs belong to the main window: above it and transient for it; questions are modal
    // to it alone, so the messenger's windows stay usable.
    ampView_->winId();
    dialogs_.setOwner(ampView_.get());
    // What the user chose is kept for the next start: signed on again, or not.
    buddyView_->onSignOn = [this] { askSignOn(); };
    buddyView_->onSignOff = [this] {
        settings_.set(desktop::signedOnSetting(), desktop::signedOnValue(false));
        signOff();
    };
    buddyView_->onJoin = [this] { joinRoom(); };
    buddyView_->show();
    messengerChanged();
}

DesktopProgram::~DesktopProgram() {
    keepSettings();
    if (ircRooms_) {
        ircRooms_->session().stop(irc::kQuitReason);
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
        welcomeWait_ = std::make_unique<desktop::WelcomeWait>(timers_, ircRooms_->session(),
                                                              [this] { startUp(); });
        return;
    }
    // The program lives as long as the event loop runs.
    QTimer::singleShot(0, [this] { startUp(); });
}

void DesktopProgram::signOn(irc::Settings settings) {
    signOff();
    windows_.destroyWindow(buddyList_);
    ircRooms_ =
        std::make_unique<irc::Rooms>(messenger_, windows_, timers_, ircLink_, std::move(settings));
    buddyList_ = ircRooms_->buddyList();
    attachRooms();
    if (buddyView_) {
        buddyView_->setDialog(buddyList_);
    }
    ircRooms_->start();
    amp_->screenNameChanged();
    messengerChanged();
}

// The sign-on window, filled as it was last accepted (the login name as the first nickname);
// accepted, the fields are kept at once and the program signs on.
void DesktopProgram::askSignOn() {
    SignOnDialog window(buddyView_.get(),
                        desktop::keptSignOnFields(settings_.values(), loginName().toStdString()));
    if (window.exec() != QDialog::Accepted) {
        return;
    }
    for (const auto& [name, value] : desktop::signOnSettings(window.fields())) {
        settings_.set(name, value);
    }
    settings_.set(desktop::signedOnSetting(), desktop::signedOnValue(true));
    keepSettings();
    signOn(window.settings());
}

void DesktopProgram::signOff() {
    if (!ircRooms_) {
        return;
    }
    ircRooms_->session().stop(irc::kQuitReason);
    ircRooms_.reset();
    openOwnBuddyList();
    if (buddyView_) {
        buddyView_->setDialog(buddyList_);
    }
    amp_->screenNameChanged();
    messengerChanged();
}

void DesktopProgram::openOwnBuddyList() {
    const QString name = loginName();
    messenger_.signOn(name.toStdString());
    buddyList_ = messenger_.openDialog((name + QStringLiteral("'s Buddy List")).toStdString());
}

void DesktopProgram::attachRooms() {
    followNick();
    ircRooms_->setStatusListener([this] { messengerChanged(); });
    ircRooms_->setGreetListener([this] {
        if (amp_) {
            amp_->greetNewRoom();
        }
    });
}

void DesktopProgram::joinRoom() {
    if (ircRooms_) {
        desktop::askToJoin(*ircRooms_, dialogs_);
    } else {
        messenger_.openRoom();
    }
}

void DesktopProgram::followNick() {
    ircRooms_->setNickListener([this] {
        if (amp_) {
            amp_->screenNameChanged();
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
    amp_->ExplorerTree1.userPick(fromQString(startFolder()));
    if (!pendingSong_.isEmpty() && !amp_->Timer2.enabled()) {
        playWhenListed(std::exchange(pendingSong_, QString()));
    }
    if (!problems_.isEmpty() && !amp_->ended()) {
        dialogs_.notice(fromQString(problems_.join(u'\n')));
    }
}

void DesktopProgram::report(const QString& problem) {
    std::fprintf(stderr, "ruz: %s\n", qPrintable(problem));
    problems_.append(problem);
}

// Where the player starts (see desktop::startPlace); a song given plays once it is listed.
QString DesktopProgram::startFolder() {
    const auto kept = settings_.values().find(kFolderSetting);
    desktop::StartPlace start = desktop::startPlace(
        fromQString(options_.musicFolder),
        kept != settings_.values().end() ? kept->second : std::string(), QtPlaces());
    for (const std::string& problem : start.problems) {
        report(QString::fromStdString(problem));
    }
    if (!start.song.empty()) {
        pendingSong_ = toQString(start.song);
        pendingSongListener_ = amp_->Timer2.addViewListener([this] {
            if (!amp_->Timer2.enabled() && !pendingSong_.isEmpty()) {
                playAfterBuild(std::exchange(pendingSong_, QString()));
            }
        });
    }
    return toQString(start.folder);
}

// The build's last steps (its notice, then the first song) come after its timer stops: the song
// plays once no notice is open any more.
void DesktopProgram::playAfterBuild(const QString& name) {
    // The main window's view is built before any folder loads; the poll ends with it.
    QTimer::singleShot(kSongDuePollMs, ampView_.get(), [this, name] {
        if (QApplication::activeModalWidget() != nullptr) {
            playAfterBuild(name);
            return;
        }
        playWhenListed(name);
    });
}

void DesktopProgram::playWhenListed(const QString& name) {
    const FileListBox& list = amp_->File1;
    std::vector<std::u16string> entries;
    for (int i = 0; i < list.count(); ++i) {
        entries.push_back(list.item(i));
    }
    if (const auto entry = desktop::entryNamed(entries, fromQString(name))) {
        amp_->transport().playEntry(static_cast<int>(*entry));
        return;
    }
    const std::u16string problem = desktop::notASong(fromQString(name));
    std::fprintf(stderr, "ruz: %s\n", text::toUtf8(problem).c_str());
    dialogs_.notice(problem);
}

std::array<QWidget*, 4> DesktopProgram::placedViews() const {
    return {ampView_.get(), ccomsView_.get(), roomView_.get(), buddyView_.get()};
}

// Puts the windows in their kept places (where one is kept) or where they first stand. A place is
// where the window's frame stands, title bar and all, both here and in keepSettings(): a window
// moved before it has a native window, or while it is shown, is placed by its frame.
void DesktopProgram::placeWindows(bool remembered) {
    const std::array<QWidget*, 4> views = placedViews();
    for (std::size_t i = 0; i < views.size(); ++i) {
        const WindowPlace& place = kPlaces[i];
        const QPoint at =
            remembered ? keptPlace(settings_.values(), place.setting).value_or(place.designed)
                       : place.designed;
        if (place.throughControl) {
            amp_->ccoms().window.move(at.x() * kTwipsPerPixel, at.y() * kTwipsPerPixel);
        } else if (views[i] != nullptr) {
            views[i]->move(at);
        }
    }
}

void DesktopProgram::keepSettings() {
    if (options_.settingsFile.empty() || !amp_) {
        return;
    }
    // The sign-on window's fields, kept as they were accepted, go with the main window's.
    SettingsStore::Values values = keptValues(*amp_);
    desktop::addSignOnValues(settings_.values(), values);
    const std::array<QWidget*, 4> views = placedViews();
    for (std::size_t i = 0; i < views.size(); ++i) {
        if (views[i] != nullptr) {
            const QPoint at = views[i]->frameGeometry().topLeft();
            values[kPlaces[i].setting] = std::to_string(at.x()) + ' ' + std::to_string(at.y());
        }
    }
    DiskSettingsFile file(options_.settingsFile);
    const std::string problem = settings_.keep(file, values);
    if (!problem.empty()) {
        std::fprintf(stderr, "ruz: %s\n", problem.c_str());
    }
}

void DesktopProgram::messengerChanged() {
    if (roomView_) {
        roomView_->refresh();
    }
    if (buddyView_) {
        buddyView_->setSignedOn(ircRooms_ != nullptr,
                                ircRooms_ != nullptr && ircRooms_->session().live());
        buddyView_->setStatus(ircRooms_ != nullptr ? QString::fromStdString(ircRooms_->status())
                                                   : QObject::tr("Online"));
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
    std::string lines;
    for (const standin::ReadBack& line : standin::readTranscript(messenger_.transcriptUtf8())) {
        lines += line.sender + ": " + line.text + '\n';
    }
    file.write(lines.data(), static_cast<qint64>(lines.size()));
    file.commit();
}

}  // namespace ruz::ui
