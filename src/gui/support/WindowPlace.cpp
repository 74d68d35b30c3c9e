// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/WindowPlace.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <dlfcn.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// libxcb is already loaded by Qt's X11 platform plugin; its functions are
// looked up there, so the program itself needs no X library.
template <typename F>
F xcbFunction(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
}

} // namespace

std::optional<QPoint> TrueWindowOrigin(QWidget* window)
{
    if (!window || !window->windowHandle() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return std::nullopt;
    using GetGeometry = xcb_get_geometry_cookie_t (*)(xcb_connection_t*, xcb_drawable_t);
    using GetGeometryReply = xcb_get_geometry_reply_t* (*)(xcb_connection_t*, xcb_get_geometry_cookie_t, xcb_generic_error_t**);
    using Translate = xcb_translate_coordinates_cookie_t (*)(xcb_connection_t*, xcb_window_t, xcb_window_t, int16_t, int16_t);
    using TranslateReply = xcb_translate_coordinates_reply_t* (*)(xcb_connection_t*, xcb_translate_coordinates_cookie_t,
                                                                   xcb_generic_error_t**);
    const auto getGeometry = xcbFunction<GetGeometry>("xcb_get_geometry");
    const auto getGeometryReply = xcbFunction<GetGeometryReply>("xcb_get_geometry_reply");
    const auto translate = xcbFunction<Translate>("xcb_translate_coordinates");
    const auto translateReply = xcbFunction<TranslateReply>("xcb_translate_coordinates_reply");
    if (!getGeometry || !getGeometryReply || !translate || !translateReply)
        return std::nullopt;

    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->windowHandle()->winId());
    xcb_get_geometry_reply_t* geometry = getGeometryReply(c, getGeometry(c, id), nullptr);
    if (!geometry)
        return std::nullopt;
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    xcb_translate_coordinates_reply_t* at = translateReply(c, translate(c, id, root, 0, 0), nullptr);
    if (!at)
        return std::nullopt;
    const QPoint origin(at->dst_x, at->dst_y);
    std::free(at);
    // Qt speaks in device-independent pixels.
    return origin / window->windowHandle()->devicePixelRatio();
}

void SyncWindowPlace(QWidget* window)
{
    const std::optional<QPoint> origin = TrueWindowOrigin(window);
    if (origin && window->windowHandle()->position() != *origin)
        window->windowHandle()->setPosition(*origin);
}
