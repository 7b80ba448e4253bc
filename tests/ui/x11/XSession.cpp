#include "XSession.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

// Runs `argv` with `display` (if any) in its environment, its output into
// `log`; `keep` stays open in the child as descriptor 3.
pid_t spawn(const std::vector<const char*>& argv, const std::string& display,
            const std::string& log, int keep = -1) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (keep >= 0) {
        ::dup2(keep, 3);
        if (keep != 3)
            ::close(keep);
    }
    const int null = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(null, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (!display.empty())
        ::setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> args;
    for (const char* arg : argv)
        args.push_back(const_cast<char*>(arg));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

void end(pid_t& pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

// Whether a window manager has announced itself on the root window.
bool managerRuns(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data != nullptr)
        XFree(data);
    return found;
}

}  // namespace

bool XServer::start(const std::string& logFolder, std::string& error) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        error = "no pipe";
        return false;
    }
    // -displayfd: the server takes the first free display and writes its number.
    server_ = spawn(
        {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
        "", logFolder + "/xvfb.log", pipe[1]);
    ::close(pipe[1]);
    std::string number;
    pollfd wait{pipe[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 60000) > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipe[0]);
    if (number.empty()) {
        error = "Xvfb did not start (see " + logFolder + "/xvfb.log)";
        stop();
        return false;
    }
    display_ = ":" + number;
    manager_ = spawn({"openbox", "--sm-disable"}, display_, logFolder + "/openbox.log");
    Display* probe = XOpenDisplay(display_.c_str());
    if (probe == nullptr) {
        error = "cannot connect to " + display_;
        stop();
        return false;
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!managerRuns(probe) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool runs = managerRuns(probe);
    XCloseDisplay(probe);
    if (!runs) {
        error = "openbox did not start (see " + logFolder + "/openbox.log)";
        stop();
        return false;
    }
    return true;
}

void XServer::stop() {
    end(manager_);
    end(server_);
}

// A window asked about may be gone by the time the server answers (a box
// closed, a menu put away): the call's result says so, the test goes on.
static int ignoreServerError(Display*, XErrorEvent*) {
    return 0;
}

XInput::XInput(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    XSetErrorHandler(ignoreServerError);
}

XInput::~XInput() {
    if (display_ != nullptr)
        XCloseDisplay(display_);
}

void XInput::click(QPoint at, unsigned button) {
    XTestFakeMotionEvent(display_, -1, at.x(), at.y(), CurrentTime);
    XSync(display_, False);
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void XInput::move(QPoint at) {
    XTestFakeMotionEvent(display_, -1, at.x(), at.y(), CurrentTime);
    XSync(display_, False);
}

void XInput::press(unsigned long keysym, bool down) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
}

void XInput::tap(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    // Upper case and most punctuation sit on the second level of their key.
    const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != keysym &&
                         XkbKeycodeToKeysym(display_, code, 0, 1) == keysym;
    if (shifted)
        press(XK_Shift_L, true);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (shifted)
        press(XK_Shift_L, false);
    XSync(display_, False);
    pace();
}

void XInput::pace() {
    // Keys come at a typist's pace, as xdotool types them: a client that
    // reads its keyboard state between events sees each one on its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
}

void XInput::key(const std::string& name) {
    tap(XStringToKeysym(name.c_str()));
}

void XInput::chord(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        press(XStringToKeysym(name.c_str()), true);
        XSync(display_, False);
        pace();
    }
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        press(XStringToKeysym(it->c_str()), false);
        XSync(display_, False);
        pace();
    }
}

void XInput::hold(const std::string& name, int milliseconds) {
    press(XStringToKeysym(name.c_str()), true);
    XSync(display_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    press(XStringToKeysym(name.c_str()), false);
    XSync(display_, False);
    pace();
}

void XInput::type(const std::string& text) {
    // Printable ASCII characters are their own keysyms.
    for (char c : text)
        tap(c == ' ' ? XK_space : static_cast<unsigned long>(static_cast<unsigned char>(c)));
}

std::vector<unsigned long> XInput::windowsOf(const char* property) {
    const Atom atom = XInternAtom(display_, property, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> windows;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1024, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data);
        windows.assign(ids, ids + count);
    }
    if (data != nullptr)
        XFree(data);
    return windows;
}

QPoint XInput::closeBoxOf(unsigned long window) {
    // The window manager's frame: the client's place on the screen and the
    // frame's extents around it, the title bar being the top one.
    Window child = 0;
    int x = 0, y = 0;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes) ||
        !XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
        return {-1, -1};
    const Atom extents = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long frame[4] = {0, 0, 0, 0};  // left, right, top, bottom
    if (XGetWindowProperty(display_, window, extents, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && count == 4) {
        for (int i = 0; i < 4; ++i)
            frame[i] = reinterpret_cast<const long*>(data)[i];
    }
    if (data != nullptr)
        XFree(data);
    if (frame[2] <= 0)
        return {-1, -1};
    const int title = static_cast<int>(frame[2]);
    const int right = x + attributes.width + static_cast<int>(frame[1]) - 1;
    return {right - title / 2 - 1, y - title + title / 2};
}

std::string XInput::titleOf(unsigned long window) {
    const Atom name = XInternAtom(display_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, name, 0, 256, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && format == 8)
        title.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr)
        XFree(data);
    char* plain = nullptr;
    if (title.empty() && XFetchName(display_, window, &plain) && plain != nullptr) {
        title = plain;
        XFree(plain);
    }
    return title;
}

QRect XInput::placeOf(unsigned long window) {
    Window child = 0;
    int x = 0, y = 0;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes) ||
        !XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
        return {};
    return {x, y, attributes.width, attributes.height};
}

unsigned long XInput::activeWindow() {
    std::vector<unsigned long> active = windowsOf("_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active.front();
}

std::vector<unsigned long> XInput::stacking() {
    return windowsOf("_NET_CLIENT_LIST_STACKING");
}

QImage XInput::grab(const QRect& area) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.x(), area.y(),
                              static_cast<unsigned>(area.width()),
                              static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    QImage picture(reinterpret_cast<const uchar*>(image->data), image->width, image->height,
                   image->bytes_per_line, QImage::Format_RGB32);
    QImage copy = picture.copy();
    XDestroyImage(image);
    return copy;
}
