#pragma once
// A private X server for the tests that use the window as a person does:
// Xvfb on a free display with the openbox window manager, and a connection
// of the test's own through which every click and key goes (XTest) and which
// tells what a person sees: the active window, the stacking order, the screen.

#include <sys/types.h>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <string>
#include <vector>

class XServer {
  public:
    XServer() = default;
    ~XServer() { stop(); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Starts Xvfb on a display it picks itself, then openbox on it, and waits
    // until the window manager runs. False with the reason in `error`.
    bool start(const std::string& logFolder, std::string& error);
    void stop();
    const std::string& display() const { return display_; }

  private:
    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::string display_;
};

// One connection to the server; use it from one thread only.
class XInput {
  public:
    explicit XInput(const std::string& display);
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;
    bool connected() const { return display_ != nullptr; }

    void click(QPoint at, unsigned button = 1);
    // The pointer to `at`, no button pressed.
    void move(QPoint at);
    // One key by its X name ("Return", "Escape", "y", "F4").
    void key(const std::string& name);
    // Keys held down in order, then let go in reverse ({"Control_L", "a"}).
    void chord(const std::vector<std::string>& names);
    // One key held down for `milliseconds`, as long as the server repeats it.
    void hold(const std::string& name, int milliseconds);
    // Printable ASCII text, typed key by key.
    void type(const std::string& text);

    // Where the close box of the window manager's frame around `window` is;
    // (-1, -1) when the window has no frame.
    QPoint closeBoxOf(unsigned long window);
    // The title of a client window (_NET_WM_NAME, else WM_NAME).
    std::string titleOf(unsigned long window);
    // Where the client window lies on the screen; empty when it is gone.
    QRect placeOf(unsigned long window);
    // The client window the window manager calls active (0: none).
    unsigned long activeWindow();
    // The managed client windows, bottom first.
    std::vector<unsigned long> stacking();
    // The part `area` of the screen as the server shows it.
    QImage grab(const QRect& area);

  private:
    void tap(unsigned long keysym);
    static void pace();
    void press(unsigned long keysym, bool down);
    std::vector<unsigned long> windowsOf(const char* property);

    struct _XDisplay* display_ = nullptr;
};
