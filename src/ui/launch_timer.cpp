// Times a program from its launch to the moment the X server maps its first window with a given
// title, and reads its memory then. For scripts/measure-desktop.sh; not installed.
//
// Usage: ruz-launch-timer TITLE SETTLE_MS PROGRAM [ARGUMENT...]
// Prints "MAPPED_MS RSS_KIB" (RSS read SETTLE_MS after the mapping), then ends the program.
// Needs a display without a window manager (Xvfb): top-level windows are children of the root.
#include <xcb/xcb.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// How long to wait for the window before giving up.
constexpr auto kGiveUp = std::chrono::seconds(30);

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::string windowTitle(xcb_connection_t* x, xcb_window_t window, xcb_atom_t utf8Name) {
    for (const xcb_atom_t property : {utf8Name, static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME)}) {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(x, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x, cookie, nullptr),
                                                    &std::free);
        if (reply && xcb_get_property_value_length(reply.get()) > 0) {
            return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
        }
    }
    return {};
}

xcb_atom_t atom(xcb_connection_t* x, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

long rssKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: ruz-launch-timer TITLE SETTLE_MS PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    const std::string title = argv[1];
    const int settleMs = std::atoi(argv[2]);
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x) != 0) {
        std::fputs("ruz-launch-timer: no display\n", stderr);
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t utf8Name = atom(x, "_NET_WM_NAME");
    xcb_flush(x);

    const Clock::time_point launch = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    double mappedMs = -1;
    while (mappedMs < 0 && Clock::now() - launch < kGiveUp) {
        const Reply<xcb_generic_event_t> event(xcb_wait_for_event(x), &std::free);
        if (!event) {
            break;
        }
        if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY) {
            continue;
        }
        const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
        if (windowTitle(x, map->window, utf8Name) == title) {
            mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - launch).count();
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long rss = rssKib(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(x);
    if (mappedMs < 0) {
        std::fputs("ruz-launch-timer: the window never showed\n", stderr);
        return 1;
    }
    std::printf("%.1f %ld\n", mappedMs, rss);
    return 0;
}
