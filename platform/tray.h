#pragma once
// The notification area of the desktop: icons added, changed and deleted with one record, as
// the old shell call did. An icon's mouse messages reach its owner control as the owner's
// own mouse moves whose X, in pixels, is the message number.
#include <QChar>
#include <QIcon>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QWidget;

namespace platform {

enum NotifyIconMessage : int { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };
enum NotifyIconFlag : uint32_t { NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4 };
// The mouse messages an icon sends: the mouse moved over it, left button down, left double
// click, right button down.
enum TrayMouseMessage : int {
    WM_MOUSEMOVE = 0x200,
    WM_LBUTTONDOWN = 0x201,
    WM_LBUTTONDBLCLK = 0x203,
    WM_RBUTTONDOWN = 0x204,
};

// The icon's record, kept by its owner between calls. hWnd is the control that receives the
// icon's messages; szTip holds the tip text up to its first NUL.
struct NotifyIconData {
    uint32_t cbSize = 0;
    QWidget* hWnd = nullptr;
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::array<QChar, 64> szTip{};
};

// The text of a tip field: its characters before the first NUL.
QString tip_text(const std::array<QChar, 64>& field);

class TrayService {
public:
    virtual ~TrayService() = default;
    // NIM_ADD, NIM_MODIFY or NIM_DELETE with the record; non-zero on success. The add fails
    // when the desktop has no notification area, or the icon (owner and id) is there already.
    virtual int notify(int message, const NotifyIconData& data) = 0;
    // Whether the desktop has a notification area now.
    virtual bool available() = 0;
};

// Through the process-wide service (services().tray).
int Shell_NotifyIconA(int dwMessage, const NotifyIconData& lpData);
bool tray_available();

// Hands one mouse message of an icon to its owner, as a mouse move at X = the message number.
void send_tray_message(QWidget* owner, int mouse_message);

// The real notification area, over QSystemTrayIcon.
class SystemTray : public TrayService {
public:
    SystemTray();
    ~SystemTray() override;
    int notify(int message, const NotifyIconData& data) override;
    bool available() override;

private:
    struct Icons;
    std::unique_ptr<Icons> icons_;
};

} // namespace platform
