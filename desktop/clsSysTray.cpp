#include "desktop/clsSysTray.h"

#include "platform/app.h"
#include "platform/services.h"

using platform::Shell_NotifyIconA;

namespace {

void avviso(const char* testo)
{
    platform::MsgBox(testo, platform::vbExclamation | platform::vbOKOnly, platform::app_title());
}

// The tip between a blank on each side, a NUL after it, padded with blanks. A text of more
// than 61 characters is cut to 61, so that the field always holds its NUL.
std::array<QChar, 64> campo_tip(const QString& testo)
{
    std::array<QChar, 64> campo;
    campo.fill(QChar(u' '));
    if (testo.isEmpty()) {
        campo[0] = QChar(u'\0');
        return campo;
    }
    const QString t = testo.left(61);
    std::copy(t.begin(), t.end(), campo.begin() + 1);
    campo[t.size() + 2] = QChar(u'\0');
    return campo;
}

} // namespace

// The object goes with its window, so no pending event may run here: it would reach a
// window half destroyed.
clsSysTray::~clsSysTray()
{
    Remove();
}

void clsSysTray::OwnerControl(QWidget* vData)
{
    if (IconShown) {
        avviso("Impossibile cambiare il controllo quando l'icona è gia attiva.");
        return;
    }
    OwnerObject = vData;
    OwnerSet = -1;
}

void clsSysTray::ToolTipText(const QString& vData)
{
    TrayRecord.szTip = campo_tip(vData);
    if (IconShown)
        Shell_NotifyIconA(platform::NIM_MODIFY, TrayRecord);
}

QString clsSysTray::ToolTipText() const
{
    return QString(TrayRecord.szTip.data(), qsizetype(TrayRecord.szTip.size()));
}

void clsSysTray::Icon(const QIcon& vData)
{
    TrayRecord.hIcon = vData;
    IconSet = -1;
    if (IconShown)
        Shell_NotifyIconA(platform::NIM_MODIFY, TrayRecord);
}

bool clsSysTray::Remove()
{
    if (IconShown) {
        Shell_NotifyIconA(platform::NIM_DELETE, TrayRecord);
        IconShown = 0;
    }
    return true;
}

bool clsSysTray::Add()
{
    if (IconShown) {
        avviso("Icona già visualizzata nella TrayArea.");
        return false;
    }
    if (!IconSet) {
        avviso("Impossibile procedere prima di impostare un'icona da visualizzare (proprietà Icon).");
        return false;
    }
    if (!OwnerSet) {
        avviso("Impossibile visualizzare l'icona prima di impostare un controllo (proprietà OwnerControl).");
        return false;
    }
    IconShown = 0;
    TrayRecord.cbSize = 88;
    TrayRecord.hWnd = OwnerObject;
    TrayRecord.uID = 1;
    TrayRecord.uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP;
    TrayRecord.uCallbackMessage = platform::WM_MOUSEMOVE;
    if (Shell_NotifyIconA(platform::NIM_ADD, TrayRecord) > 0)
        IconShown = -1;
    return IconShown != 0;
}
