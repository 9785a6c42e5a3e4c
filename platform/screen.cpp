#include "platform/screen.h"

#include "platform/controls.h"

#include <QGuiApplication>
#include <QCursor>
#include <QScreen>

namespace platform {
namespace {

std::optional<ScreenSize>& screen_override()
{
    static std::optional<ScreenSize> size;
    return size;
}

} // namespace

ScreenSize screen_size()
{
    if (screen_override())
        return *screen_override();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {0, 0};
    const QSize pixels = screen->geometry().size();
    return {twips(pixels.width()), twips(pixels.height())};
}

void set_screen_size(std::optional<ScreenSize> size)
{
    screen_override() = size;
}

void set_mouse_pointer(MousePointer pointer)
{
    if (pointer == vbHourglass) {
        if (!QGuiApplication::overrideCursor())
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

MousePointer mouse_pointer()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor ? vbHourglass : vbDefault;
}

} // namespace platform
