#include "platform/tray.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace platform {

QString tip_text(const std::array<QChar, 64>& field)
{
    const auto end = std::find(field.begin(), field.end(), QChar(u'\0'));
    return QString(field.data(), end - field.begin());
}

// The owner must track the mouse: a widget that does not drops mouse moves without a button.
void send_tray_message(QWidget* owner, int mouse_message)
{
    if (!owner)
        return;
    const QPointF at(mouse_message, 0);
    QMouseEvent move(QEvent::MouseMove, at, owner->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(owner, &move);
}

int Shell_NotifyIconA(int dwMessage, const NotifyIconData& lpData)
{
    return services().tray->notify(dwMessage, lpData);
}

bool tray_available()
{
    return services().tray->available();
}

namespace {

int mouse_message_of(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONDOWN;
    default: return 0;
    }
}

} // namespace

// The icons belong to the application, so they go before it does; a dead one is skipped.
struct SystemTray::Icons {
    struct Entry {
        QWidget* owner;
        uint32_t id;
        QPointer<QSystemTrayIcon> icon;
    };
    std::vector<Entry> entries;

    Entry* find(const NotifyIconData& data)
    {
        for (Entry& e : entries) {
            if (e.owner == data.hWnd && e.id == data.uID && e.icon)
                return &e;
        }
        return nullptr;
    }
};

SystemTray::SystemTray() : icons_(std::make_unique<Icons>()) {}

SystemTray::~SystemTray()
{
    for (auto& e : icons_->entries)
        delete e.icon.data();
}

bool SystemTray::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

namespace {

void apply(QSystemTrayIcon& icon, const NotifyIconData& data)
{
    if (data.uFlags & NIF_ICON)
        icon.setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon.setToolTip(tip_text(data.szTip));
}

} // namespace

int SystemTray::notify(int message, const NotifyIconData& data)
{
    Icons::Entry* entry = icons_->find(data);
    switch (message) {
    case NIM_ADD: {
        if (entry || !data.hWnd || !available())
            return 0;
        auto* icon = new QSystemTrayIcon(QCoreApplication::instance());
        apply(*icon, data);
        // The only message a control receives here is the mouse move. It is queued for the
        // owner, as the shell posts it, so that whatever the owner does (a menu, the exit that
        // deletes the icon) runs after the icon's own click handling.
        if ((data.uFlags & NIF_MESSAGE) && data.uCallbackMessage == WM_MOUSEMOVE) {
            QWidget* owner = data.hWnd;
            const auto forward = [owner](QSystemTrayIcon::ActivationReason reason) {
                if (const int m = mouse_message_of(reason))
                    send_tray_message(owner, m);
            };
            QObject::connect(icon, &QSystemTrayIcon::activated, owner, forward, Qt::QueuedConnection);
        }
        icon->show();
        icons_->entries.push_back({data.hWnd, data.uID, icon});
        return 1;
    }
    case NIM_MODIFY:
        if (!entry)
            return 0;
        apply(*entry->icon, data);
        return 1;
    case NIM_DELETE: {
        if (!entry)
            return 0;
        // The icon may be deleted from its own click (the exit item of its menu): it goes
        // once that click's handling is over.
        QSystemTrayIcon* icon = entry->icon;
        icons_->entries.erase(icons_->entries.begin() + (entry - icons_->entries.data()));
        icon->hide();
        icon->deleteLater();
        return 1;
    }
    default:
        return 0;
    }
}

} // namespace platform
