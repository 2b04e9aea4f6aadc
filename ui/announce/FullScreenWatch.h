#pragma once

#include <cstdint>

struct xcb_connection_t;

// Whether the window the desktop calls active (_NET_ACTIVE_WINDOW on the root window) is full
// screen (_NET_WM_STATE_FULLSCREEN in its _NET_WM_STATE): a film, a game, a presentation. It
// asks the X display over a connection of its own, so that it never disturbs the toolkit's;
// without an X display (a Wayland session without XWayland) nothing is ever full screen.
// GUI thread.
class FullScreenWatch {
public:
    FullScreenWatch() = default;
    ~FullScreenWatch();
    FullScreenWatch(const FullScreenWatch&) = delete;
    FullScreenWatch& operator=(const FullScreenWatch&) = delete;

    // Asks the display now (two round trips); the connection is made on the first question.
    bool IsActiveWindowFullScreen();

private:
    bool Connect();
    uint32_t Atom(const char* name);
    void Disconnect();

    xcb_connection_t* m_connection = nullptr;
    uint32_t m_root = 0;
    uint32_t m_activeAtom = 0;
    uint32_t m_stateAtom = 0;
    uint32_t m_fullScreenAtom = 0;
    // A display that could not be reached is not asked again.
    bool m_failed = false;
};
