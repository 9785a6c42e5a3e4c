// The tray icon class, the icon's mouse messages and the options menu.
#include "desktop/clsSysTray.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

using platform::NIM_ADD;
using platform::NIM_DELETE;
using platform::NIM_MODIFY;
using testing_support::MainFixture;

namespace {

// The warnings' texts; each is an exclamation with only OK, under the program's name.
std::vector<std::string> texts(const std::vector<testing_support::ShownMessage>& shown)
{
    std::vector<std::string> out;
    for (const auto& m : shown) {
        EXPECT_EQ(m.style, platform::vbExclamation | platform::vbOKOnly);
        EXPECT_EQ(m.title, "Tavoly");
        out.push_back(m.text);
    }
    return out;
}

TEST(ClsSysTray, WrongUseIsWarnedAndChangesNothing)
{
    testing_support::ServiceDoubles doubles;
    QWidget owner, other;
    {
        clsSysTray tray;
        EXPECT_FALSE(tray.Add());
        tray.Icon(QIcon(QStringLiteral(":/art/icon.svg")));
        EXPECT_FALSE(tray.Add());
        tray.OwnerControl(&owner);
        EXPECT_TRUE(tray.Add());
        EXPECT_FALSE(tray.Add());
        tray.OwnerControl(&other);
        EXPECT_EQ(tray.OwnerControl(), &owner);
        EXPECT_EQ(texts(doubles.messages->shown),   // one warning per refused use, in order
                  (std::vector<std::string>{
                      "Impossibile procedere prima di impostare un'icona da visualizzare (proprietà Icon).",
                      "Impossibile visualizzare l'icona prima di impostare un controllo (proprietà OwnerControl).",
                      "Icona già visualizzata nella TrayArea.",
                      "Impossibile cambiare il controllo quando l'icona è gia attiva.",
                  }));
        ASSERT_EQ(doubles.tray->calls.size(), 1u);
        const auto& added = doubles.tray->calls[0];
        EXPECT_EQ(added.message, NIM_ADD);
        EXPECT_EQ(added.data.cbSize, 88u);
        EXPECT_EQ(added.data.hWnd, &owner);
        EXPECT_EQ(added.data.uID, 1u);
        EXPECT_EQ(added.data.uFlags, 7u);
        EXPECT_EQ(added.data.uCallbackMessage, 512u);
        EXPECT_TRUE(tray.Icon().isNull());
        EXPECT_TRUE(tray.Remove());
        EXPECT_TRUE(tray.Remove());
        EXPECT_EQ(doubles.tray->calls.size(), 2u);
        EXPECT_EQ(doubles.tray->calls[1].message, NIM_DELETE);
        tray.OwnerControl(&other);   // not shown: allowed
        EXPECT_EQ(tray.OwnerControl(), &other);
    }
    EXPECT_EQ(doubles.tray->calls.size(), 2u);   // nothing left to remove at the end
    doubles.tray->present = false;   // an add the desktop refuses: not shown, nothing said
    clsSysTray refused;
    refused.Icon(QIcon());
    refused.OwnerControl(&owner);
    EXPECT_FALSE(refused.Add());
    EXPECT_EQ(refused.IconShown, 0);
    refused.Remove();
    EXPECT_EQ(doubles.tray->calls.size(), 3u);
    EXPECT_EQ(doubles.messages->shown.size(), 4u);
}

TEST(ClsSysTray, TheTipFieldIsAlwaysSixtyFourCharactersAndTerminated)
{
    testing_support::ServiceDoubles doubles;
    clsSysTray tray;
    tray.ToolTipText(QStringLiteral("abc"));
    EXPECT_EQ(platform::tip_text(tray.TrayRecord.szTip), QStringLiteral(" abc "));
    const QString long_tip(70, QChar(u'x'));
    tray.ToolTipText(long_tip);
    EXPECT_EQ(tray.ToolTipText(), QChar(u' ') + long_tip.left(61) + QStringLiteral(" ") + QChar(u'\0'));
    EXPECT_TRUE(doubles.tray->calls.empty());   // nothing is sent while the icon is not shown
    // Shown, a new tip or icon reaches the tray at once.
    QWidget owner;
    tray.Icon(QIcon());
    tray.OwnerControl(&owner);
    ASSERT_TRUE(tray.Add());
    tray.ToolTipText(QStringLiteral("new"));
    tray.Icon(QIcon());
    ASSERT_EQ(doubles.tray->calls.size(), 3u);
    EXPECT_EQ(doubles.tray->calls[1].message, NIM_MODIFY);
    EXPECT_EQ(platform::tip_text(doubles.tray->calls[1].data.szTip), QStringLiteral(" new "));
    EXPECT_EQ(doubles.tray->calls[2].message, NIM_MODIFY);
}

class TrayIconTest : public MainFixture {};

TEST_F(TrayIconTest, TheIconCarriesTheCaptionAndItsClicksReachTheWindow)
{
    start({}, "S");
    ASSERT_EQ(doubles->tray->calls.size(), 1u);
    const auto& added = doubles->tray->calls[0].data;
    EXPECT_EQ(added.hWnd, form->PicTray);
    EXPECT_EQ(platform::tip_text(added.szTip), QStringLiteral(" ") + form->windowTitle() + QStringLiteral(" "));
    EXPECT_TRUE(form->isHidden());

    // Moves, releases and the other buttons do nothing.
    for (int message : {512, 514, 517, 518, 519})
        doubles->tray->mouse(message);
    EXPECT_TRUE(form->isHidden());
    EXPECT_TRUE(doubles->popup_menu->shown.empty());

    doubles->tray->mouse(platform::WM_LBUTTONDOWN);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->hide();
    doubles->tray->mouse(platform::WM_LBUTTONDBLCLK);
    EXPECT_TRUE(form->isVisible());

    doubles->tray->mouse(platform::WM_RBUTTONDOWN);
    testing_support::send_mouse(form->ImgSet, QEvent::MouseButtonPress);
    testing_support::send_mouse(form->ImgSet, QEvent::MouseButtonRelease);
    EXPECT_EQ(doubles->popup_menu->shown, (std::vector<QMenu*>{form->menupop3, form->menupop3}));

    // At 12 twips per pixel nothing acts.
    form->hide();
    form->PicTray_MouseMove(0, 0, 515 * 12, 0);
    form->PicTray_MouseMove(0, 0, 516 * 12, 0);
    EXPECT_TRUE(form->isHidden());
    EXPECT_EQ(doubles->popup_menu->shown.size(), 2u);
}

TEST_F(TrayIconTest, TheOptionsMenuHoldsItsItemsInOrderAndItsExitRemovesTheIcon)
{
    start({});
    const QList<QAction*> items = form->menupop3->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], form->avvioautom);
    EXPECT_EQ(items[1], form->mnuLan->menuAction());
    EXPECT_EQ(items[2], form->divpop3);
    EXPECT_TRUE(form->divpop3->isSeparator());
    EXPECT_EQ(items[3], form->chiudi);
    EXPECT_EQ(form->mnuLan->actions(), (QList<QAction*>{form->mnuLanEnglish, form->mnuLanItalian}));
    form->chiudi->trigger();
    EXPECT_TRUE(ended);
    EXPECT_EQ(doubles->tray->calls.back().message, NIM_DELETE);
}

// Hidden only while an icon can bring the window back.
TEST_F(TrayIconTest, TheWindowIsNeverLeftHiddenWithoutATray)
{
    start({}, "S");
    ASSERT_TRUE(form->isHidden());
    form->sorveglia_tray();
    EXPECT_TRUE(form->isHidden());
    doubles->tray->present = false;
    form->sorveglia_tray();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->close();
    EXPECT_TRUE(form->isVisible());
    form->setWindowState(Qt::WindowMinimized);
    form->Form_Resize();
    EXPECT_FALSE(form->isHidden());
    form->chiudi->trigger();
    EXPECT_TRUE(ended);
    EXPECT_EQ(doubles->tray->calls.back().message, NIM_DELETE);
}

} // namespace
