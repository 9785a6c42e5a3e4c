#pragma once
// The notification-area icon of the program: one record kept between the shell calls, the
// owner control that receives the icon's mouse messages, its icon and tip.
#include "platform/tray.h"

#include <QIcon>
#include <QString>
#include <cstdint>

class QWidget;

class clsSysTray {
public:
    clsSysTray() = default;
    clsSysTray(const clsSysTray&) = delete;
    clsSysTray& operator=(const clsSysTray&) = delete;
    ~clsSysTray();

    platform::NotifyIconData TrayRecord;
    QIcon IconObject;          // never assigned
    int16_t IconShown = 0;     // -1: the icon is in the notification area
    int16_t OwnerSet = 0;
    int16_t IconSet = 0;
    QWidget* OwnerObject = nullptr;

    void OwnerControl(QWidget* vData);
    QWidget* OwnerControl() const { return OwnerObject; }
    void ToolTipText(const QString& vData);
    QString ToolTipText() const;   // the whole 64-character field
    void Icon(const QIcon& vData);
    QIcon Icon() const { return IconObject; }
    bool Remove();
    bool Add();
};
