#pragma once
// The notification-area icon. The tray itself comes with the desktop integration; until then
// the icon is never shown, so the main window never hides itself out of reach.
#include <QIcon>
#include <QString>

class QWidget;

class clsSysTray {
public:
    QIcon Icon;
    QString ToolTipText;
    QWidget* OwnerControl = nullptr;

    bool Add();
    void Remove();
    bool IconShown() const { return shown_; }

private:
    bool shown_ = false;
};
