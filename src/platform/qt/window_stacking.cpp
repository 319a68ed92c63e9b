#include "window_stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define TIDEWICK_HAS_XCB 1
#endif

namespace tidewick {

namespace {

#if defined(TIDEWICK_HAS_XCB)
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// Asks the window manager to add or remove the "above" state of a mapped window.
void requestAboveState(QWindow &window, bool onTop)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || QGuiApplication::platformName() != u"xcb")
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window.winId());
    event.type = internAtom(connection, "_NET_WM_STATE");
    event.data.data32[0] = onTop ? 1 : 0; // add or remove
    event.data.data32[1] = internAtom(connection, "_NET_WM_STATE_ABOVE");
    event.data.data32[2] = internAtom(connection, "_NET_WM_STATE_STAYS_ON_TOP");
    event.data.data32[3] = 1; // source: a normal application
    xcb_send_event(connection, 0, screen->root,
        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}
#endif

} // namespace

void setKeptOnTop(QWidget &window, bool onTop)
{
    QWindow *handle = window.windowHandle();
    if (!handle)
        return;
#if defined(Q_OS_WIN)
    SetWindowPos(reinterpret_cast<HWND>(handle->winId()), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
        SWP_NOMOVE | SWP_NOSIZE);
#elif defined(TIDEWICK_HAS_XCB)
    requestAboveState(*handle, onTop);
#endif
    // The native window keeps existing: QWindow's flags change without QWidget's re-creation.
    handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

} // namespace tidewick
