// The photo viewer: the window sizes itself to the picture, against a screen of known size.
#include "contacts/Foto.h"
#include "platform/controls.h"
#include "platform/screen.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <memory>

using platform::px;

namespace {

// A screen of 1000 x 800 pixels.
constexpr double SW = 15000;
constexpr double SH = 12000;

QPixmap picture(double width_twips, double height_twips)
{
    QPixmap p(px(width_twips), px(height_twips));
    p.fill(Qt::darkCyan);
    return p;
}

class PhotoViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::set_screen_size(platform::ScreenSize{SW, SH});
        foto = new Foto();
    }
    void TearDown() override
    {
        delete foto.data();
        platform::set_screen_size(std::nullopt);
    }

    QPointer<Foto> foto;
};

struct Expected {
    double W, H;                    // outer size
    double view_w, view_h;          // Picture2
    bool h_bar, v_bar;              // shown
    double h_bar_w, v_bar_h;        // only for a shown bar
    int h_max, v_max;
};

} // namespace

TEST_F(PhotoViewerTest, TheLayoutFollowsThePictureAgainstTheScreen)
{
    const struct {
        const char* name;
        double PW, PH;
        Expected e;
    } cases[] = {
        {"D smaller both ways", 9000, 6000, {9090, 6330, 9000, 6000, false, false, 0, 0, 0, 0}},
        {"D exactly as wide as the screen", SW, 6000, {SW + 90, 6330, SW, 6000, false, false, 0, 0, 0, 0}},
        {"B wide", 18000, 6000, {SW, 6330, 18000, 6330 - 545, true, false, SW - 90, 0, 3000, 0}},
        {"C tall", 9000, 15000, {9090, SH, 8790, 15000, false, true, 0, SH - 335, 0, 3245}},
        {"A wide and tall", 18000, 15000, {SW, SH, SW - 300, SH - 545, true, true, SW - 300, SH - 545, 3000, 3245}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        delete foto.data();
        foto = new Foto();
        foto->setPicture1(picture(c.PW, c.PH));
        EXPECT_EQ(foto->Picture1->size(), QSize(px(c.PW), px(c.PH)));
        EXPECT_EQ(foto->Width(), c.e.W);
        EXPECT_EQ(foto->Height(), c.e.H);
        EXPECT_EQ(foto->Picture2->size(), QSize(px(c.e.view_w), px(c.e.view_h)));
        EXPECT_EQ(!foto->HScroll1->isHidden(), c.e.h_bar);
        EXPECT_EQ(!foto->VScroll1->isHidden(), c.e.v_bar);
        if (c.e.h_bar) {
            EXPECT_EQ(foto->HScroll1->width(), px(c.e.h_bar_w));
        }
        if (c.e.v_bar) {
            EXPECT_EQ(foto->VScroll1->height(), px(c.e.v_bar_h));
        }
        EXPECT_EQ(foto->HScroll1->maximum(), c.e.h_max);
        EXPECT_EQ(foto->VScroll1->maximum(), c.e.v_max);
        EXPECT_EQ(foto->HScroll1->y(), px(c.e.H - 300 - 245));
        EXPECT_EQ(foto->VScroll1->x(), px(c.e.W - 300));
    }
}

TEST_F(PhotoViewerTest, TheBarsPanInStepsOf100And500AndOnlyOnRelease)
{
    foto->setPicture1(picture(18000, 15000));
    QScrollBar* h = foto->HScroll1;
    h->setValue(1500);
    EXPECT_EQ(foto->Picture1->x(), px(-1500));
    h->setValue(0);
    EXPECT_EQ(foto->Picture1->x(), 0);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(h->value(), 500);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(h->value(), 600);
    EXPECT_EQ(foto->Picture1->x(), px(-600));

    QScrollBar* v = foto->VScroll1;
    v->setSliderDown(true);
    v->setValue(1000);
    EXPECT_EQ(foto->Picture1->y(), 0) << "a dragged thumb moves nothing until it is released";
    v->setSliderDown(false);
    EXPECT_EQ(foto->Picture1->y(), px(-1000));
    EXPECT_EQ(foto->Picture1->x(), px(-600));
}

// Our choice for a viewer that is still open: a picture of another size starts from a fresh
// window's state, so no bar of the earlier picture stays and no pan offset carries over.
TEST_F(PhotoViewerTest, ASmallerPictureInTheOpenViewerHidesTheBarsAndResetsThePan)
{
    foto->setPicture1(picture(18000, 15000));
    foto->show();
    foto->HScroll1->setValue(1500);
    foto->VScroll1->setValue(700);
    foto->setPicture1(picture(18000, 6000));   // still wide, no longer tall
    EXPECT_FALSE(foto->HScroll1->isHidden());
    EXPECT_TRUE(foto->VScroll1->isHidden());
    EXPECT_EQ(foto->HScroll1->value(), 0);
    EXPECT_EQ(foto->VScroll1->value(), 0);
    EXPECT_EQ(foto->Picture1->pos(), QPoint(0, 0));

    foto->HScroll1->setValue(900);
    foto->setPicture1(picture(3000, 3000));
    EXPECT_TRUE(foto->HScroll1->isHidden());
    EXPECT_EQ(foto->Picture1->pos(), QPoint(0, 0));
    EXPECT_EQ(foto->Width(), 3090);
    EXPECT_EQ(foto->Height(), 3330);
}

TEST_F(PhotoViewerTest, AGrowingPictureInTheOpenViewerKeepsTheWindowOnTheScreen)
{
    foto->setPicture1(picture(6000, 4500));
    foto->show();
    const QPoint centred = foto->pos();
    ASSERT_GT(centred.x(), 0);
    foto->setPicture1(picture(18000, 6000));   // the width of the screen
    EXPECT_EQ(foto->pos(), QPoint(0, centred.y()));
    foto->setPicture1(picture(18000, 15000));
    EXPECT_EQ(foto->pos(), QPoint(0, 0));
    foto->move(px(3000), px(3000));
    foto->setPicture1(picture(3000, 3000));
    EXPECT_EQ(foto->pos(), QPoint(px(3000), px(3000))) << "a window that fits stays where it is";
}

TEST_F(PhotoViewerTest, APictureOfTheSameSizeRunsNoLayout)
{
    foto->setPicture1(picture(18000, 15000));
    foto->HScroll1->setValue(1500);
    foto->setPicture1(picture(18000, 15000));
    EXPECT_EQ(foto->HScroll1->value(), 1500);
    EXPECT_EQ(foto->Picture1->x(), px(-1500));
}

// A maximum beyond a 16-bit integer fails its step: the bar keeps the maximum it had.
TEST_F(PhotoViewerTest, AMaximumThatDoesNotFitKeepsThePreviousOne)
{
    foto->setPicture1(picture(18000, 15000));
    foto->setPicture1(picture(SW + 33000, 15000));
    EXPECT_EQ(foto->HScroll1->maximum(), 3000);
    EXPECT_EQ(foto->VScroll1->maximum(), 3245);
    EXPECT_EQ(foto->Width(), SW);
}

TEST_F(PhotoViewerTest, AFixedToolWindowCentredAtItsFirstShowing)
{
    const Qt::WindowFlags flags = foto->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Tool));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(foto->windowTitle(), "Foto");
    EXPECT_TRUE(foto->HScroll1->isHidden());
    EXPECT_TRUE(foto->VScroll1->isHidden());
    EXPECT_EQ(foto->HScroll1->singleStep(), 100);
    EXPECT_EQ(foto->HScroll1->pageStep(), 500);

    foto->setPicture1(picture(9000, 6000));
    EXPECT_EQ(foto->minimumSize(), foto->maximumSize());
    foto->show();
    EXPECT_EQ(foto->pos(), QPoint(px((SW - 9090) / 2), px((SH - 6330) / 2)));
    foto->move(0, 0);
    foto->hide();
    foto->show();
    EXPECT_EQ(foto->pos(), QPoint(0, 0)) << "only the first showing centres";
}

TEST_F(PhotoViewerTest, TheCloseBoxUnloadsTheWindow)
{
    foto->show();
    foto->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(foto.isNull());
}
