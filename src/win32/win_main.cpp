// Taviks Ruz on Windows: the player's main window, beside whatever messenger room is open.
#include "app/frmamp.h"
#include "app/kept_settings.h"
#include "common/settings_store.h"
#include "desktop/sign_on.h"
#include "desktop/start_place.h"
#include "desktop/usage.h"
#include "desktop/welcome_wait.h"
#include "irc/rooms.h"
#include "irc/winsock_link.h"
#include "messenger/aimchat.h"
#include "platform/media/engine_factory.h"
#include "platform/winsys/forwarding_window_system.h"
#include "platform/winsys/user32_window_system.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"
#include "text/text.h"
#include "win32/buddy_list_window.h"
#include "win32/ccoms_window.h"
#include "win32/chat_windows.h"
#include "win32/command_line.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/sign_on_dialog.h"
#include "win32/system_libraries.h"
#include "win32/view_support.h"
#include "win32/wide.h"
#include "win32/win32_clock.h"
#include "win32/win32_dialogs.h"
#include "win32/win32_timer_host.h"
#include "win32/win32_tray.h"

#include <commctrl.h>
#include <lmcons.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ruz::win32 {

namespace {

constexpr int kIconSize = 32;
constexpr int kSmallIconSize = 16;
// How often a song given at start looks whether the title list is built and no notice is open.
constexpr UINT kSongDuePollMs = 100;

// The windows whose places are kept, with the setting that keeps each and where it first stands,
// in pixels: side by side on a 1280x800 screen, with the stand-in's rooms below the command-words
// window (ChatWindows places them).
struct WindowPlace {
    const char* setting;
    POINT designed;
};
// The exit status when the system will not load DLLs from its own folder only.
constexpr int kCannotLoadSafely = 2;

constexpr WindowPlace kMainPlace{"place.FrmAmp", {620, 40}};
constexpr WindowPlace kCcomsPlace{"place.Ccoms", {0, 0}};
constexpr WindowPlace kBuddiesPlace{"place.buddies", {1000, 40}};

// The Chat menu's state line while no chat network is signed on to.
constexpr char16_t kNotSignedOn[] = u"Not signed on";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) {
        out = path;
    }
    CoTaskMemFree(path);
    return out;
}

DWORD attributesOf(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}
bool isFolder(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool isFile(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring fullPath(const std::wstring& path) {
    std::array<wchar_t, 4 * MAX_PATH> full{};
    wchar_t* name = nullptr;
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0 || length >= full.size()) {
        return path;
    }
    std::wstring out(full.data());
    while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/')) {
        out.pop_back();
    }
    return out;
}

// The user's places and the file system as the system gives them.
class Win32Places final : public desktop::Places {
  public:
    Kind kindOf(const std::u16string& path) const override {
        const std::wstring name = wide(path);
        return isFolder(name) ? Kind::Folder : isFile(name) ? Kind::File : Kind::Missing;
    }
    std::u16string absolute(const std::u16string& path) const override {
        return fromWide(fullPath(wide(path)).c_str());
    }
    std::pair<std::u16string, std::u16string> split(const std::u16string& file) const override {
        const std::size_t cut = std::min(file.find_last_of(u"\\/"), file.size());
        return {file.substr(0, cut), file.substr(std::min(cut + 1, file.size()))};
    }
    std::u16string musicFolder() const override {
        return fromWide(knownFolder(FOLDERID_Music).c_str());
    }
    std::u16string homeFolder() const override {
        return fromWide(knownFolder(FOLDERID_Profile).c_str());
    }
};

std::optional<POINT> keptPlace(const SettingsStore::Values& values, const char* setting) {
    const auto found = values.find(setting);
    int x = 0;
    int y = 0;
    char rest = 0;
    if (found == values.end() ||
        std::sscanf(found->second.c_str(), "%d %d%c", &x, &y, &rest) != 2) {
        return std::nullopt;
    }
    return POINT{x, y};
}

// The settings file: "settings" in the program's folder of the user's roaming application data.
std::filesystem::path settingsFile() {
    const std::wstring folder = knownFolder(FOLDERID_RoamingAppData);
    return folder.empty() ? std::filesystem::path()
                          : std::filesystem::path(folder + L"\\Taviks Ruz\\settings");
}

// The user's name on Windows, in UTF-8; "me" when the system gives none.
std::string windowsUserName() {
    std::array<wchar_t, UNLEN + 1> name{};
    DWORD length = static_cast<DWORD>(name.size());
    if (!GetUserNameW(name.data(), &length) || name[0] == L'\0') {
        return "me";
    }
    return text::toUtf8(fromWide(name.data()));
}

void say(const std::string& text, UINT icon) {
    const std::wstring body = wide(text::fromUtf8(text));
    std::fputs(text.c_str(), stderr);
    MessageBoxW(nullptr, body.c_str(), L"Taviks Ruz", MB_OK | icon);
}

// The program: the main window on the machine's timers, dialogs, notification area, clock and
// media engine, driving the messenger's windows through user32; or, while signed on to a chat
// network, the rooms of its channels in the messenger stand-in, each shown in a window of its own.
class Program {
  public:
    explicit Program(CommandLine line)
        : line_(std::move(line)),
          icon_(makeLogoIcon(kIconSize)),
          smallIcon_(makeLogoIcon(kSmallIconSize)),
          user32_(winsys::User32WindowSystem::Seen::otherProgramsWindows),
          windows_(user32_),
          messenger_(model_, [this] { return text::toUtf8(clock_.longTime(clock_.now())); }),
          tray_(smallIcon_),
          engine_(makeDesktopEngine(timers_)),
          platform_{timers_, windows_, *engine_, dialogs_, tray_, clock_} {
        // The program runs for days: the window model keeps no record of its messages.
        model_.setRecording(false);
        const std::filesystem::path file = settingsFile();
        std::string problem;
        if (!file.empty()) {
            settingsPath_ = file;
            DiskSettingsFile disk(file);
            problem = settings_.load(disk);
        }
        // The command line's network first, else the one the user was signed on to at the end
        // of the last run; with neither, and no messenger running, the stand-in of its own.
        const std::optional<irc::Settings> network =
            line_.irc ? line_.irc : desktop::resumedSignOn(settings_.values());
        const bool messengerRunning = messenger::AimChat(user32_).MessengerRunning();
        if (network) {
            openRooms(*network);
            // Signing off leads to the stand-in of its own when there is no messenger.
            ownStandIn_ = !messengerRunning;
        } else if (!messengerRunning) {
            openOwnStandIn();
        }
        amp_ = std::make_unique<FrmAmp>(platform_);
        // The loop ends once the channels have heard the last lines and the QUIT.
        amp_->onEnded = [this] {
            if (rooms_) {
                rooms_->leave([] { PostQuitMessage(0); });
            } else {
                PostQuitMessage(0);
            }
        };
        amp_->onDefaultsRestored = [this] { placeWindows(false); };
        if (!problem.empty()) {
            report(problem);
        }
        if (!file.empty()) {
            problem = applyKeptSettings(settings_, DiskSettingsFile(file).where(), *amp_);
            if (!problem.empty()) {
                report(problem);
            }
        }
    }

    ~Program() {
        keepSettings();
        chatViews_.reset();
        buddyView_.reset();
        leaveRooms();
        dialogs_.setOwner(nullptr);
        dialogs_.currentFolder = nullptr;
        tray_.bringForward = nullptr;
        ccomsView_.reset();
        mainView_.reset();
        amp_.reset();
        DestroyIcon(icon_);
        DestroyIcon(smallIcon_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: the question, with the windows built while the user reads it, then the folder's
    // songs.
    void start() {
        dialogs_.whenFirstShown([this] { buildViews(); });
        if (rooms_) {
            rooms_->start();
            welcomeWait_ = std::make_unique<desktop::WelcomeWait>(timers_, rooms_->session(),
                                                                  [this] { startUp(); });
            return;
        }
        startUp();
    }

    // The rest of start-up, once a chat network's welcome came (or the wait is over).
    void startUp() {
        amp_->Form_Load();
        buildViews();  // when start-up asked nothing
        if (amp_->ended()) {
            return;
        }
        amp_->ExplorerTree1.userPick(corePath(fromWide(startFolder().c_str())));
        if (!pendingSong_.empty()) {
            SetTimer(mainView_->handle(), 0, kSongDuePollMs, nullptr);
            playWhenReady();
        }
        if (!problems_.empty() && !amp_->ended()) {
            std::u16string all;
            for (const std::string& problem : problems_) {
                all += (all.empty() ? u"" : u"\n") + fromWide(widen(problem).c_str());
            }
            dialogs_.notice(all);
        }
    }

    int run() {
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!pendingSong_.empty() && mainView_ && message.message == WM_TIMER &&
                message.hwnd == mainView_->handle()) {
                playWhenReady();
                continue;
            }
            if (mainView_ &&
                (message.hwnd == mainView_->handle() ||
                 IsChild(mainView_->handle(), message.hwnd)) &&
                TranslateAcceleratorW(mainView_->handle(), mainView_->accelerators(), &message)) {
                continue;
            }
            if (ccomsView_ && IsDialogMessageW(ccomsView_->handle(), &message)) {
                continue;
            }
            if (chatViews_ && chatViews_->dialogMessage(message)) {
                continue;
            }
            if (buddyView_ && buddyView_->dialogMessage(message)) {
                continue;
            }
            if (dialogMessage(message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return static_cast<int>(message.wParam);
    }

  private:
    // The windows other than the start-up question.
    void buildViews() {
        if (mainView_) {
            return;
        }
        mainView_ = std::make_unique<MainWindow>(*amp_, icon_);
        ccomsView_ = std::make_unique<CcomsWindow>(amp_->ccoms(), icon_, nullptr);
        mainView_->setCcomsWindow(ccomsView_->handle());
        // The end of the session keeps the settings as the end of the program does.
        mainView_->onSessionEnd = [this] { keepSettings(); };
        // The dialogs belong to the main window: above it, and the folder picker opens where
        // the player is.
        dialogs_.setOwner(mainView_->handle());
        dialogs_.currentFolder = [this] { return amp_->ExplorerTree1.path(); };
        tray_.bringForward = [this] { return mainView_ && mainView_->comeForward(); };
        chatViews_ = std::make_unique<ChatWindows>(messenger_, icon_);
        // What the user chose is kept for the next start: signed on again, or not.
        mainView_->setChatCommands(
            {[this] { askSignOn(); }, [this] { userSignsOff(); },
             [this] { return !rooms_ || !rooms_->session().live(); },
             [this] { return rooms_ != nullptr; }, [this] { askToJoin(); },
             [this] { return rooms_ != nullptr; },
             [this] {
                 const std::string status = rooms_ ? rooms_->status() : std::string();
                 return status.empty() ? std::u16string(kNotSignedOn) : text::fromUtf8(status);
             }});
        if (ownStandIn_) {
            buddyView_ = std::make_unique<BuddyListWindow>(
                messenger_, icon_,
                BuddyListWindow::Commands{[this] { askSignOn(); }, [this] { userSignsOff(); },
                                          [this] { return !rooms_ || !rooms_->session().live(); },
                                          [this] { return rooms_ != nullptr; },
                                          [this] { askToJoin(); }},
                kBuddiesPlace.designed);
            refreshBuddyList();
        }
        placeWindows(true);
    }

    // No messenger runs: the player drives the stand-in's own buddy list and room, shown in
    // windows of the program, signed on as the Windows user.
    void openOwnStandIn() {
        ownStandIn_ = true;
        windows_.forwardTo(model_);
        openOwnBuddyList();
        messenger_.openRoom();
    }

    void openOwnBuddyList() {
        const std::string name = windowsUserName();
        messenger_.signOn(name);
        ownBuddyList_ = messenger_.openDialog(name + "'s Buddy List");
    }

    // The buddy list's window shows the buddy-list dialog the player reads now.
    void refreshBuddyList() {
        if (!buddyView_) {
            return;
        }
        const winsys::Hwnd dialog = rooms_ ? rooms_->buddyList() : ownBuddyList_;
        buddyView_->refresh(model_.textUtf8(dialog));
    }

    // The channels' rooms in the stand-in, which the player drives from now on; the connection
    // starts with start().
    void openRooms(const irc::Settings& settings) {
        // The network's buddy list takes the place of the stand-in's own.
        if (ownBuddyList_ != 0) {
            model_.destroyWindow(std::exchange(ownBuddyList_, 0));
        }
        rooms_ = std::make_unique<irc::Rooms>(messenger_, model_, timers_, link_, settings);
        windows_.forwardTo(model_);
        rooms_->setNickListener([this] {
            if (amp_) {
                amp_->screenNameChanged();
            }
            refreshBuddyList();
        });
        rooms_->setGreetListener([this] {
            if (amp_) {
                amp_->greetNewRoom();
            }
        });
        refreshBuddyList();
    }

    // Leaves the chat network (QUIT): its rooms close, and the player drives the messenger's own
    // windows again, or the stand-in's own buddy list and rooms when it started without a
    // messenger.
    void leaveRooms() {
        if (!rooms_) {
            return;
        }
        rooms_->session().stop(irc::kQuitReason);
        rooms_.reset();
        if (ownStandIn_) {
            openOwnBuddyList();
            if (messenger_.openRoomNumbers().empty()) {
                messenger_.openRoom();
            }
            refreshBuddyList();
        } else {
            windows_.forwardTo(user32_);
        }
    }

    void signOn(const irc::Settings& settings) {
        leaveRooms();
        openRooms(settings);
        rooms_->start();
        amp_->screenNameChanged();
    }

    void signOff() {
        if (!rooms_) {
            return;
        }
        leaveRooms();
        amp_->screenNameChanged();
    }

    // Sign off, chosen by the user: the next start does not sign on again.
    void userSignsOff() {
        settings_.set(desktop::signedOnSetting(), desktop::signedOnValue(false));
        signOff();
    }

    // While on a chat network, "Join a chat room" asks for a channel and joins it; otherwise it
    // opens a room of the stand-in.
    void askToJoin() {
        if (rooms_) {
            desktop::askToJoin(*rooms_, dialogs_);
        } else if (ownStandIn_) {
            messenger_.openRoom();
        }
    }

    // The sign-on window, filled as it was last accepted (the Windows user's name as the first
    // nickname); accepted, the fields are kept at once and the program signs on.
    void askSignOn() {
        SignOnDialog dialog(desktop::keptSignOnFields(settings_.values(), windowsUserName()));
        const std::optional<irc::Settings> settings =
            dialog.run(mainView_ ? mainView_->handle() : nullptr);
        if (!settings) {
            return;
        }
        for (const auto& [name, value] : desktop::signOnSettings(dialog.fields())) {
            settings_.set(name, value);
        }
        settings_.set(desktop::signedOnSetting(), desktop::signedOnValue(true));
        keepSettings();
        signOn(*settings);
    }

    // Keys in the open notices: Return and Escape close them, Tab moves between their parts.
    bool dialogMessage(MSG& message) {
        for (HWND notice : dialogs_.openNotices()) {
            if (IsDialogMessageW(notice, &message)) {
                return true;
            }
        }
        return false;
    }

    static std::wstring widen(const std::string& text) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
        std::wstring out(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), length);
        out.resize(out.size() - 1);
        return out;
    }

    void report(const std::string& problem) {
        std::fprintf(stderr, "ruz: %s\n", problem.c_str());
        problems_.push_back(problem);
    }

    // Where the player starts (see desktop::startPlace); a song given plays once it is listed.
    std::wstring startFolder() {
        const auto kept = settings_.values().find(kFolderSetting);
        desktop::StartPlace start = desktop::startPlace(
            fromWide(line_.wideFolder),
            kept != settings_.values().end() ? kept->second : std::string(), Win32Places());
        for (const std::string& problem : start.problems) {
            report(problem);
        }
        pendingSong_ = std::move(start.song);
        return wide(start.folder);
    }

    // The song given plays once the title list is built and no notice is open.
    void playWhenReady() {
        if (amp_->Timer2.enabled() || amp_->ended()) {
            return;
        }
        if (!dialogs_.openNotices().empty()) {
            return;
        }
        KillTimer(mainView_->handle(), 0);
        const std::u16string name = std::exchange(pendingSong_, std::u16string());
        const FileListBox& list = amp_->File1;
        std::vector<std::u16string> entries;
        for (int i = 0; i < list.count(); ++i) {
            entries.push_back(list.item(i));
        }
        if (const auto entry = desktop::entryNamed(entries, name)) {
            amp_->transport().playEntry(static_cast<int>(*entry));
            return;
        }
        dialogs_.notice(desktop::notASong(name));
    }

    void placeWindows(bool remembered) {
        const auto placeOf = [&](const WindowPlace& place) {
            return remembered
                       ? keptPlace(settings_.values(), place.setting).value_or(place.designed)
                       : place.designed;
        };
        // Each window where it was (or first stands), brought onto the work area of the screen
        // nearest to that place: a screen that is gone or smaller now leaves no window off it.
        POINT ccoms = placeOf(kCcomsPlace);
        if (ccomsView_) {
            placeOnScreen(ccomsView_->handle(), ccoms);
            RECT at{};
            GetWindowRect(ccomsView_->handle(), &at);
            ccoms = POINT{at.left, at.top};
        }
        amp_->ccoms().window.move(ccoms.x * kTwipsPerPixel, ccoms.y * kTwipsPerPixel);
        if (mainView_) {
            placeOnScreen(mainView_->handle(), placeOf(kMainPlace));
        }
        if (buddyView_) {
            placeOnScreen(buddyView_->handle(), placeOf(kBuddiesPlace));
        }
    }

    void keepSettings() {
        if (settingsPath_.empty() || !amp_) {
            return;
        }
        // The sign-on window's fields, kept as they were accepted, go with the main window's.
        SettingsStore::Values values = keptValues(*amp_);
        desktop::addSignOnValues(settings_.values(), values);
        const auto keep = [&values](const char* setting, int x, int y) {
            values[setting] = std::to_string(x) + ' ' + std::to_string(y);
        };
        const auto keepWindow = [&keep](HWND window, const WindowPlace& place) {
            RECT at{};
            GetWindowRect(window, &at);
            keep(place.setting, at.left, at.top);
        };
        if (mainView_) {
            keepWindow(mainView_->handle(), kMainPlace);
        }
        if (buddyView_ && buddyView_->handle() != nullptr && !IsIconic(buddyView_->handle())) {
            keepWindow(buddyView_->handle(), kBuddiesPlace);
        }
        const Window& words = amp_->ccoms().window;
        keep(kCcomsPlace.setting, words.left() / kTwipsPerPixel, words.top() / kTwipsPerPixel);
        DiskSettingsFile file(settingsPath_);
        const std::string problem = settings_.keep(file, values);
        if (!problem.empty()) {
            std::fprintf(stderr, "ruz: %s\n", problem.c_str());
        }
    }

    CommandLine line_;
    HICON icon_;
    HICON smallIcon_;
    Win32TimerHost timers_;
    Win32Clock clock_;
    winsys::User32WindowSystem user32_;
    winsys::WindowModel model_;
    // The player's window system: user32, or the model while signed on to a chat network.
    winsys::ForwardingWindowSystem windows_;
    standin::MessengerStandIn messenger_;
    // Whether the player drives the stand-in's own buddy list and rooms (no messenger ran at
    // start), and that buddy list while not signed on to a chat network.
    bool ownStandIn_ = false;
    winsys::Hwnd ownBuddyList_ = 0;
    irc::WinsockLink link_;
    std::unique_ptr<irc::Rooms> rooms_;
    // Start-up on a chat network, until the server's welcome.
    std::unique_ptr<desktop::WelcomeWait> welcomeWait_;
    Win32Dialogs dialogs_;
    Win32Tray tray_;
    std::unique_ptr<MediaEngine> engine_;
    Platform platform_;
    std::unique_ptr<FrmAmp> amp_;
    SettingsStore settings_;
    std::filesystem::path settingsPath_;
    std::vector<std::string> problems_;
    std::u16string pendingSong_;
    // The views go before the controls they show.
    std::unique_ptr<MainWindow> mainView_;
    std::unique_ptr<CcomsWindow> ccomsView_;
    std::unique_ptr<ChatWindows> chatViews_;
    std::unique_ptr<BuddyListWindow> buddyView_;
};

}  // namespace

}  // namespace ruz::win32

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace ruz::win32;
    // Before anything loads a DLL: the delay-loaded system DLLs come from the system folder.
    if (!loadSystemLibrariesFromSystemFolderOnly()) {
        say("ruz: the system would load DLLs from the program's own folder: not starting\n",
            MB_ICONERROR);
        return kCannotLoadSafely;
    }
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; words != nullptr && i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    LocalFree(words);
    CommandLine line = parseCommandLine(arguments);
    // As on Linux, RUZ_MUSIC names the folder when the command line names none.
    const wchar_t* music = _wgetenv(L"RUZ_MUSIC");
    if (line.wideFolder.empty() && music != nullptr) {
        line.wideFolder = music;
    }
    if (!line.error.empty()) {
        say(ruz::desktop::usageError(line.error), MB_ICONERROR);
        return ruz::desktop::kRefusedStatus;
    }
    if (line.help) {
        say(ruz::desktop::windowsHelpText(), MB_ICONINFORMATION);
        return 0;
    }
    if (line.version) {
        say(std::string("ruz (Taviks Ruz) ") + RUZ_VERSION + "\n", MB_ICONINFORMATION);
        return 0;
    }
    const INITCOMMONCONTROLSEX controls{
        sizeof(INITCOMMONCONTROLSEX),
        ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    {
        Program program(std::move(line));
        program.start();
        status = program.run();
    }
    CoUninitialize();
    return status;
}
