// The photo viewer window.
#include "contacts/Foto.h"
#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/runtime.h"
#include "platform/screen.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

using platform::px;
using platform::resume_next;
using platform::twips;

namespace {

// The frame of the old tool window: 45 twips on each side, 285 above the client area and
// 45 below it. The layout's constants are built on it, so the client area follows from the
// outer size by these numbers whatever frame the window manager draws.
constexpr double kFrameWidth = 90;
constexpr double kFrameHeight = 330;

constexpr double kDesignClientWidth = 7245;
constexpr double kDesignClientHeight = 6780;

QScrollBar* scroll_bar(Qt::Orientation orientation, QWidget* parent)
{
    auto* bar = new QScrollBar(orientation, parent);
    bar->setRange(0, 0);
    bar->setSingleStep(100);
    bar->setPageStep(500);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    return bar;
}

// A negative or zero maximum only comes with a picture that the bar cannot pan, and Qt
// would turn a maximum below the minimum into a new minimum: the bar keeps 0 as its floor.
void set_maximum(QScrollBar* bar, double value)
{
    const int16_t maximum = platform::CInt(value);
    bar->setRange(0, std::max<int>(0, maximum));
}

void set_bar_width(QScrollBar* bar, double width) { bar->resize(px(width), bar->height()); }
void set_bar_height(QScrollBar* bar, double height) { bar->resize(bar->width(), px(height)); }

} // namespace

Foto::Foto(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Foto"));
    setFixedSize(px(kDesignClientWidth), px(kDesignClientHeight));
    setFocusPolicy(Qt::StrongFocus);   // the keys that pan come to the window itself

    Picture2 = new QFrame(this);
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture2->setLineWidth(2);
    platform::place(Picture2, 0, 0, 2295, 2775);
    viewport_client_ = new QWidget(Picture2);
    viewport_client_->setGeometry(Picture2->contentsRect());

    Picture1 = new QLabel(viewport_client_);
    Picture1->setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);
    platform::place(Picture1, 0, 0, 1395, 1335);

    HScroll1 = scroll_bar(Qt::Horizontal, this);
    platform::place(HScroll1, 0, 2820, 2295, 220);
    VScroll1 = scroll_bar(Qt::Vertical, this);
    platform::place(VScroll1, 2280, 0, 220, 2775);

    // Only the change is handled, not the positions a dragged thumb passes through.
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        const auto change = [this, bar] {
            if (bar == HScroll1)
                platform::guard("HScroll1_Change", [this] { HScroll1_Change(); });
            else
                platform::guard("VScroll1_Change", [this] { VScroll1_Change(); });
        };
        connect(bar, &QScrollBar::valueChanged, this, [bar, change] {
            if (!bar->isSliderDown())
                change();
        });
        connect(bar, &QScrollBar::sliderReleased, this, change);
    }
}

// A picture of another size starts from a fresh window's state (bars hidden, at 0, no pan
// offset) before the layout: a bar that an earlier, larger picture needed would otherwise
// stay and pan the new one off its place. A fresh window is always laid out, also for a
// first picture exactly as large as Picture1's design size, which would otherwise leave the
// window at its design size around a small viewport.
void Foto::setPicture1(const QPixmap& picture)
{
    const QSize before = Picture1->size();
    const qreal ratio = picture.isNull() ? 1.0 : picture.devicePixelRatio();
    Picture1->setPixmap(picture);
    const QSize natural = picture.isNull() ? QSize(0, 0) : (QSizeF(picture.size()) / ratio).toSize();
    Picture1->resize(natural);
    if (natural == before && laid_out_)
        return;
    laid_out_ = true;
    startAfresh();
    platform::guard("Picture1_Resize", [this] { Picture1_Resize(); });
    if (isVisible())
        keepOnScreen();
}

void Foto::startAfresh()
{
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        bar->hide();
        bar->setValue(0);
    }
    Picture1->move(0, 0);
}

void Foto::Picture1_Resize()
{
    const platform::ScreenSize screen = platform::screen_size();
    const double SW = screen.width;
    const double SH = screen.height;
    const double PW = twips(Picture1->width());
    const double PH = twips(Picture1->height());
    const bool wide = PW > SW;
    const bool tall = PH > SH;
    if (wide && tall) {
        resume_next([&] { setWidth(SW); });
        resume_next([&] { setHeight(SH); });
        resume_next([&] { setViewportWidth(Width() - 300); });
        resume_next([&] { setViewportHeight(Height() - 300 - 245); });
        resume_next([&] { set_bar_width(HScroll1, Width() - 300); });
        resume_next([&] { HScroll1->show(); });
        resume_next([&] { set_bar_height(VScroll1, Height() - 300 - 245); });
        resume_next([&] { VScroll1->show(); });
    } else if (wide) {
        resume_next([&] { setWidth(SW); });
        resume_next([&] { setHeight(PH + 330); });
        resume_next([&] { setViewportWidth(PW); });
        resume_next([&] { setViewportHeight(Height() - 300 - 245); });
        resume_next([&] { set_bar_width(HScroll1, Width() - 90); });
        resume_next([&] { HScroll1->show(); });
    } else if (tall) {
        resume_next([&] { setWidth(PW + 90); });
        resume_next([&] { setHeight(SH); });
        resume_next([&] { setViewportWidth(Width() - 300); });
        resume_next([&] { setViewportHeight(PH); });
        resume_next([&] { set_bar_height(VScroll1, Height() - 245 - 90); });
        resume_next([&] { VScroll1->show(); });
    } else {
        resume_next([&] { setWidth(PW + 90); });
        resume_next([&] { setViewportWidth(PW); });
        resume_next([&] { setHeight(PH + 330); });
        resume_next([&] { setViewportHeight(PH); });
    }
    resume_next([&] { set_maximum(HScroll1, PW - SW); });
    resume_next([&] { set_maximum(VScroll1, PH - SH + 245); });
    resume_next([&] { HScroll1->move(HScroll1->x(), px(Height() - 300 - 245)); });
    resume_next([&] { VScroll1->move(px(Width() - 300), VScroll1->y()); });
}

void Foto::HScroll1_Change()
{
    Picture1->move(px(-HScroll1->value()), Picture1->y());
}

void Foto::VScroll1_Change()
{
    Picture1->move(Picture1->x(), px(-VScroll1->value()));
}

double Foto::Width() const { return twips(width()) + kFrameWidth; }
double Foto::Height() const { return twips(height()) + kFrameHeight; }

void Foto::setWidth(double w) { setFixedWidth(std::max(0, px(w - kFrameWidth))); }
void Foto::setHeight(double h) { setFixedHeight(std::max(0, px(h - kFrameHeight))); }

void Foto::setViewportWidth(double w)
{
    Picture2->resize(std::max(0, px(w)), Picture2->height());
    viewport_client_->setGeometry(Picture2->contentsRect());
}

void Foto::setViewportHeight(double h)
{
    Picture2->resize(Picture2->width(), std::max(0, px(h)));
    viewport_client_->setGeometry(Picture2->contentsRect());
}

// The scroll bars take no focus, so the window pans for them: the arrows by a small step,
// Page Up and Page Down by a large one, Home and End to an end of the range. The page and end
// keys move the vertical bar, or the horizontal one when it is the only one shown. A hidden
// bar does not pan.
void Foto::keyPressEvent(QKeyEvent* e)
{
    QScrollBar* paging = VScroll1->isHidden() ? HScroll1 : VScroll1;
    const struct {
        int key;
        QScrollBar* bar;
        QAbstractSlider::SliderAction action;
    } keys[] = {
        {Qt::Key_Left, HScroll1, QAbstractSlider::SliderSingleStepSub},
        {Qt::Key_Right, HScroll1, QAbstractSlider::SliderSingleStepAdd},
        {Qt::Key_Up, VScroll1, QAbstractSlider::SliderSingleStepSub},
        {Qt::Key_Down, VScroll1, QAbstractSlider::SliderSingleStepAdd},
        {Qt::Key_PageUp, paging, QAbstractSlider::SliderPageStepSub},
        {Qt::Key_PageDown, paging, QAbstractSlider::SliderPageStepAdd},
        {Qt::Key_Home, paging, QAbstractSlider::SliderToMinimum},
        {Qt::Key_End, paging, QAbstractSlider::SliderToMaximum},
    };
    for (const auto& k : keys) {
        if (k.key == e->key() && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!k.bar->isHidden())
                k.bar->triggerAction(k.action);
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

// A viewer on screen that grows keeps its place only as far as the screen allows: pushed
// past the screen's edge it would hide its own scroll bars.
void Foto::keepOnScreen()
{
    const platform::ScreenSize screen = platform::screen_size();
    move(std::clamp(x(), 0, std::max(0, px(screen.width - Width()))),
         std::clamp(y(), 0, std::max(0, px(screen.height - Height()))));
}

// Centred on the screen at its first showing, with the size the first layout gave it.
void Foto::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (centred_)
        return;
    centred_ = true;
    const platform::ScreenSize screen = platform::screen_size();
    move(px((screen.width - Width()) / 2), px((screen.height - Height()) / 2));
    // A window manager frames the window only once it is on screen, and may place the client
    // area where the frame should be: a screen-high picture would lose its caption bar above
    // the screen. Centre again on the frame it really got.
    QTimer::singleShot(100, this, [this, screen] {
        const QRect frame = frameGeometry();
        if (frame.size() != size())
            move(std::max(0, (px(screen.width) - frame.width()) / 2), std::max(0, (px(screen.height) - frame.height()) / 2));
    });
}
