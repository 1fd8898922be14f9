// Taviks Ruz on the desktop: the player's main window beside a messenger stand-in.
#include "desktop/command_line.h"
#include "desktop/usage.h"
#include "qt/qt_text.h"
#include "text/text.h"
#include "ui/desktop_program.h"
#include "ui/end_on_signals.h"
#include "ui/logo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStringList>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool hasArgument(int argc, char** argv, const char* longName, const char* shortName) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], longName) == 0 || std::strcmp(argv[i], shortName) == 0) {
            return true;
        }
    }
    return false;
}

bool nonEmptyEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

bool connects(const sockaddr_un& address, socklen_t length) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        return true;  // cannot tell: let the toolkit try
    }
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

// Whether the local X server named by a DISPLAY like ":0" or ":1.0" answers, on its socket file
// or its abstract socket. Displays on other hosts are left to the toolkit.
bool localXServerAnswers(const char* display) {
    if (display[0] != ':') {
        return true;
    }
    const std::string number(display + 1, std::strcspn(display + 1, "."));
    const std::string path = "/tmp/.X11-unix/X" + number;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (number.empty() || path.size() + 1 >= sizeof address.sun_path) {
        return true;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (connects(address, sizeof address)) {
        return true;
    }
    sockaddr_un abstract{};
    abstract.sun_family = AF_UNIX;
    std::memcpy(abstract.sun_path + 1, path.c_str(), path.size());
    return connects(abstract,
                    static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size()));
}

bool headlessPlatform(int argc, char** argv) {
    if (hasArgument(argc, argv, "-platform", "--platform")) {
        return true;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr) {
        return false;
    }
    for (const char* headless : {"offscreen", "minimal", "vnc", "eglfs", "linuxfb"}) {
        if (std::strncmp(platform, headless, std::strlen(headless)) == 0) {
            return true;
        }
    }
    return false;
}

// Whether Qt can open a window: a display server, or a platform plugin that needs none. Prints
// the reason when it cannot.
bool displayAvailable(int argc, char** argv) {
    if (headlessPlatform(argc, argv) || nonEmptyEnvironment("WAYLAND_DISPLAY")) {
        return true;
    }
    if (!nonEmptyEnvironment("DISPLAY")) {
        std::fputs("ruz: no display found; set DISPLAY or run under xvfb-run\n", stderr);
        return false;
    }
    const char* display = std::getenv("DISPLAY");
    if (!localXServerAnswers(display)) {
        std::fprintf(stderr, "ruz: display %s does not answer; is its X server running?\n",
                     display);
        return false;
    }
    return true;
}

// Where the settings are kept between runs.
std::string settingsFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) {
        return {};
    }
    return QDir(folder).filePath(QStringLiteral("taviks-ruz/settings")).toStdString();
}

// A command line that cannot be used: one line on the error output; started from the desktop,
// where nobody reads that, in a window too.
int refuse(const std::string& problem, int argc, char** argv) {
    const std::string line = ruz::desktop::usageError(problem);
    std::fputs(line.c_str(), stderr);
    if (!headlessPlatform(argc, argv) && ::isatty(STDERR_FILENO) == 0) {
        QMessageBox::critical(nullptr, QStringLiteral("Taviks Ruz"),
                              QString::fromStdString(line).trimmed());
    }
    return ruz::desktop::kRefusedStatus;
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window or display is asked for; Qt's own options
    // are taken out of the line only once the application exists.
    const ruz::desktop::CommandLine early = ruz::desktop::parseCommandLine(
        std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (early.help) {
        std::fputs(ruz::desktop::helpText().c_str(), stdout);
        return EXIT_SUCCESS;
    }
    if (early.version) {
        std::printf("ruz (Taviks Ruz) %s\n", RUZ_VERSION);
        return EXIT_SUCCESS;
    }
    if (!displayAvailable(argc, argv)) {
        return EXIT_FAILURE;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Taviks Ruz"));
    QApplication::setApplicationVersion(QStringLiteral(RUZ_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("taviks-ruz"));
    QApplication::setWindowIcon(ruz::ui::logoIcon());
    // The program ends with its main window, which may well be hidden in the notification area
    // while other windows close.
    QApplication::setQuitOnLastWindowClosed(false);

    ruz::ui::DesktopOptions options;
    std::vector<std::string> arguments;
    for (const std::u16string& argument : ruz::fromQStringList(QApplication::arguments().mid(1))) {
        arguments.push_back(ruz::text::toUtf8(argument));
    }
    const ruz::desktop::CommandLine line = ruz::desktop::parseCommandLine(arguments);
    if (!line.error.empty()) {
        return refuse(line.error, argc, argv);
    }
    options.musicFolder = ruz::toQString(ruz::text::fromUtf8(line.folder));
    options.settingsFile = settingsFile();
    options.irc = line.irc;
    if (options.musicFolder.isEmpty()) {
        options.musicFolder = qEnvironmentVariable("RUZ_MUSIC");
    }
    options.transcriptDump = qEnvironmentVariable("RUZ_TRANSCRIPT_DUMP");

    ruz::ui::DesktopProgram program(std::move(options));
    // Asked to end by the system, the program ends as from its menu and keeps its settings.
    const ruz::ui::EndOnSignals endOnSignals([] { QCoreApplication::exit(0); });
    program.start();
    return QApplication::exec();
}
