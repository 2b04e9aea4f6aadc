#include "ui/announce/FullScreenWatch.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

FullScreenWatch::~FullScreenWatch() {
    Disconnect();
}

void FullScreenWatch::Disconnect() {
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}

uint32_t FullScreenWatch::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const uint32_t atom = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool FullScreenWatch::Connect() {
    if (m_connection)
        return true;
    if (m_failed)
        return false;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        Disconnect();
        m_failed = true;
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_activeAtom = Atom("_NET_ACTIVE_WINDOW");
    m_stateAtom = Atom("_NET_WM_STATE");
    m_fullScreenAtom = Atom("_NET_WM_STATE_FULLSCREEN");
    return true;
}

bool FullScreenWatch::IsActiveWindowFullScreen() {
    if (!Connect())
        return false;
    xcb_generic_error_t* rootError = nullptr;
    xcb_get_property_reply_t* active = xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, m_activeAtom, XCB_ATOM_WINDOW, 0, 1), &rootError);
    std::free(rootError);
    xcb_window_t window = XCB_WINDOW_NONE;
    if (active && active->format == 32 && xcb_get_property_value_length(active) >= 4)
        window = *static_cast<xcb_window_t*>(xcb_get_property_value(active));
    std::free(active);
    if (xcb_connection_has_error(m_connection)) {
        // The display went away; a later question connects again.
        Disconnect();
        return false;
    }
    if (window == XCB_WINDOW_NONE)
        return false;
    // A window gone meanwhile answers an error, which is no full screen; taken here, it does
    // not pile up in the connection's queue.
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* state = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, m_stateAtom, XCB_ATOM_ATOM, 0, 64),
        &error);
    std::free(error);
    bool fullScreen = false;
    if (state && state->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(state));
        const int count = xcb_get_property_value_length(state) / 4;
        for (int i = 0; i < count && !fullScreen; ++i)
            fullScreen = atoms[i] == m_fullScreenAtom;
    }
    std::free(state);
    return fullScreen;
}
