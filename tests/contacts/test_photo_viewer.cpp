// The photo viewer: the window sizes itself to the picture, against a screen of known size.
#include "contacts/Foto.h"
#include "platform/controls.h"
#include "platform/screen.h"
#include "tests/support/helpers.h"

#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

using platform::px;

namespace {

constexpr double SW = 15000;   // a screen of 1000 x 800 pixels
constexpr double SH = 12000;

QPixmap picture(double width_twips, double height_twips)
{
    QPixmap p(px(width_twips), px(height_twips));
    p.fill(Qt::darkCyan);
    return p;
}

class PhotoViewerTest : public ::testing::Test {
protected:
    void SetUp() override { platform::set_screen_size(platform::ScreenSize{SW, SH}); }
    void TearDown() override { platform::set_screen_size(std::nullopt); }
    std::unique_ptr<Foto> foto = std::make_unique<Foto>();
};

} // namespace

// A bar the layout leaves untouched keeps its design length (2295 and 2775).
TEST_F(PhotoViewerTest, TheLayoutFollowsThePictureAgainstTheScreen)
{
    const struct {
        const char* name;
        double PW, PH, W, H, view_w, view_h;
        bool h_bar, v_bar;
        double h_bar_w, v_bar_h;
        int h_max, v_max;
    } cases[] = {
        {"D smaller both ways", 9000, 6000, 9090, 6330, 9000, 6000, false, false, 2295, 2775, 0, 0},
        {"D exactly as wide as the screen", SW, 6000, SW + 90, 6330, SW, 6000, false, false, 2295, 2775, 0, 0},
        {"B wide", 18000, 6000, SW, 6330, 18000, 6330 - 545, true, false, SW - 90, 2775, 3000, 0},
        {"A wide and tall", 18000, 15000, SW, SH, SW - 300, SH - 545, true, true, SW - 300, SH - 545, 3000, 3245},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        foto = std::make_unique<Foto>();
        foto->setPicture1(picture(c.PW, c.PH));
        const QScrollBar* h = foto->HScroll1;
        const QScrollBar* v = foto->VScroll1;
        EXPECT_EQ(foto->Picture1->size(), QSize(px(c.PW), px(c.PH)));
        EXPECT_EQ(QSizeF(foto->Width(), foto->Height()), QSizeF(c.W, c.H));
        EXPECT_EQ(foto->Picture2->size(), QSize(px(c.view_w), px(c.view_h)));
        EXPECT_EQ(std::pair(!h->isHidden(), !v->isHidden()), std::pair(c.h_bar, c.v_bar));
        EXPECT_EQ(std::pair(h->width(), v->height()), std::pair(px(c.h_bar_w), px(c.v_bar_h)));
        EXPECT_EQ(std::pair(h->maximum(), v->maximum()), std::pair(c.h_max, c.v_max));
        EXPECT_EQ(std::pair(h->y(), v->x()), std::pair(px(c.H - 300 - 245), px(c.W - 300)));
    }
}

// The bars take no focus, so the window's keys pan; a dragged thumb pans when released.
TEST_F(PhotoViewerTest, TheBarsAndTheKeysPanThePicture)
{
    foto->setPicture1(picture(18000, 15000));
    QScrollBar* h = foto->HScroll1;
    h->setValue(1500);
    EXPECT_EQ(foto->Picture1->x(), px(-1500));
    h->setValue(0);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(foto->Picture1->x(), px(-600));
    foto->VScroll1->setSliderDown(true);
    foto->VScroll1->setValue(1000);
    EXPECT_EQ(foto->Picture1->y(), 0);
    foto->VScroll1->setSliderDown(false);
    EXPECT_EQ(foto->Picture1->pos(), QPoint(px(-600), px(-1000)));
    foto->setPicture1(picture(18000, 15000));   // the same size runs no layout
    EXPECT_EQ(foto->Picture1->pos(), QPoint(px(-600), px(-1000)));

    const auto press = [this](int key) {
        testing_support::press(foto.get(), key);
        return foto->Picture1->pos();
    };
    EXPECT_EQ(foto->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(press(Qt::Key_Home), QPoint(px(-600), 0));
    EXPECT_EQ(press(Qt::Key_Right), QPoint(px(-700), 0));
    EXPECT_EQ(press(Qt::Key_PageDown), QPoint(px(-700), px(-500)));
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-700), px(-3245)));
    EXPECT_EQ(press(Qt::Key_Up), QPoint(px(-700), px(-3145)));
    EXPECT_EQ(press(Qt::Key_Left), QPoint(px(-600), px(-3145)));

    foto->setPicture1(picture(18000, 6000));   // wide only
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-3000), 0));
    EXPECT_EQ(press(Qt::Key_Down), QPoint(px(-3000), 0)) << "a hidden bar does not pan";
    EXPECT_EQ(press(Qt::Key_PageUp), QPoint(px(-2500), 0));
    EXPECT_EQ(press(Qt::Key_Home), QPoint(0, 0));

    foto->setPicture1(picture(SW + 33000, 15000));   // a maximum beyond 16 bits fails its step only
    EXPECT_EQ(h->maximum(), 3000);
    EXPECT_EQ(foto->Width(), SW);
}
