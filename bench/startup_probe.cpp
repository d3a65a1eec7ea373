// Starts a program on the X display of $DISPLAY and prints, on one line,
// the milliseconds until its first top-level window is mapped and the
// private anonymous memory it holds once shown, in KiB. Ends the program.
//
//   startup_probe PROGRAM [ARGUMENT...]
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

long anonymousKiB(pid_t pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    const std::string key = "Anonymous:";
    for (std::string line; std::getline(rollup, line);)
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_probe PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    int screenNumber = 0;
    // A display just started may not take connections yet.
    xcb_connection_t *x = xcb_connect(nullptr, &screenNumber);
    for (int i = 0; i < 50 && xcb_connection_has_error(x); ++i) {
        xcb_disconnect(x);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        x = xcb_connect(nullptr, &screenNumber);
    }
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "startup_probe: no X display\n");
        return 2;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // With no window manager, a top-level window's mapping is reported to
    // whoever watches the root's children.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double ms = -1;
    while (xcb_generic_event_t *event = xcb_wait_for_event(x)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        std::free(event);
        if (mapped) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                           started)
                     .count();
            break;
        }
    }
    // Let the first paint and whatever follows the showing settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long kib = anonymousKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(x);
    if (ms < 0 || kib < 0)
        return 1;
    std::printf("%.1f %ld\n", ms, kib);
    return 0;
}
