#include "platform/controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace platform {

void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

QFont design_font(double points)
{
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// No style sheet: a tool tip takes its widget's style sheet and would come out blank.
ImageControl::ImageControl(QWidget* parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageControl::setPicture(const QPixmap& picture)
{
    picture_ = picture;
    if (!stretch_ && !picture_.isNull()) {
        const qreal dpr = picture_.devicePixelRatio();
        width_tw_ = twips(qRound(picture_.width() / dpr));
        height_tw_ = twips(qRound(picture_.height() / dpr));
        apply_size();
    }
    update();
}

void ImageControl::setStretch(bool on)
{
    stretch_ = on;
    update();
}

void ImageControl::setHandCursor()
{
    setCursor(Qt::PointingHandCursor);
}

void ImageControl::setLeftTw(double v) { move(px(v), y()); }
void ImageControl::setTopTw(double v) { move(x(), px(v)); }
void ImageControl::setWidthTw(double v) { width_tw_ = v; apply_size(); }
void ImageControl::setHeightTw(double v) { height_tw_ = v; apply_size(); }

void ImageControl::apply_size()
{
    resize(px(width_tw_), px(height_tw_));
}

// A double click gives one click and one double click, as the old image control gave them.
void ImageControl::mouseReleaseEvent(QMouseEvent* e)
{
    const bool ends_double_click = std::exchange(double_clicked_, false);
    if (e->button() == Qt::LeftButton && !ends_double_click && rect().contains(e->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

void ImageControl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        double_clicked_ = true;
        emit doubleClicked();
    }
    QLabel::mouseDoubleClickEvent(e);
}

// Not stretched, the picture is drawn at its natural size and cropped by the control (the
// fill mark relies on that); stretched, it fills the control.
void ImageControl::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (stretch_)
        p.drawPixmap(rect(), picture_);
    else
        p.drawPixmap(0, 0, picture_);
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void PictureBox::mouseMoveEvent(QMouseEvent* e)
{
    const Qt::MouseButtons b = e->buttons();
    const Qt::KeyboardModifiers m = e->modifiers();
    const int button = (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
    const int shift = (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
    emit MouseMove(button, shift, float(e->position().x() * kTwipsPerPixel), float(e->position().y() * kTwipsPerPixel));
}

} // namespace platform
