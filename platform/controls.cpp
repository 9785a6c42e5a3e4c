#include "platform/controls.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>
#include <optional>
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

ImageControl* click_area(QWidget* parent, const TwipsRect& place, const QCursor& pointer)
{
    auto* area = new ImageControl(parent);
    area->setLeftTw(place.left);
    area->setTopTw(place.top);
    area->setWidthTw(place.width);
    area->setHeightTw(place.height);
    area->setCursor(pointer);
    return area;
}

QCursor picture_pointer(const QString& picture)
{
    const QPixmap pixmap(picture);
    return pixmap.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pixmap, 10, 0);
}

TextBoxEvents::TextBoxEvents(QWidget* box, bool focus_after_press)
    : QObject(box), box_(box), focus_after_press_(focus_after_press)
{
    box->installEventFilter(this);
}

TextBoxEvents::TextBoxEvents(QLineEdit* box, bool focus_after_press) : TextBoxEvents(static_cast<QWidget*>(box), focus_after_press)
{
    connect(box, &QLineEdit::textChanged, this, &TextBoxEvents::Change);
}

// A multi-line box signals every assignment, also of an equal text; its mouse events reach
// its viewport.
TextBoxEvents::TextBoxEvents(QPlainTextEdit* box) : TextBoxEvents(static_cast<QWidget*>(box), false)
{
    box->viewport()->installEventFilter(this);
    connect(box, &QPlainTextEdit::textChanged, this, &TextBoxEvents::Change);
}

bool TextBoxEvents::eventFilter(QObject*, QEvent* e)
{
    switch (e->type()) {
    case QEvent::FocusIn:
        return focus_in(e);
    case QEvent::KeyPress:
        key_press(e);
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && !std::exchange(after_double_click_, false))
            emit Click();
        return false;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            after_double_click_ = true;
            emit DblClick();
        }
        return false;
    default:
        return false;
    }
}

bool TextBoxEvents::focus_in(QEvent* e)
{
    const auto reason = static_cast<QFocusEvent*>(e)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;
    if (focus_after_press_ && reason == Qt::MouseFocusReason) {
        QTimer::singleShot(0, this, &TextBoxEvents::GotFocus);
        return false;
    }
    const QWidget* before = box_->window()->focusWidget();
    emit GotFocus();
    return box_->window()->focusWidget() != before;
}

void TextBoxEvents::key_press(QEvent* e)
{
    const auto* key = static_cast<QKeyEvent*>(e);
    int16_t code = 0;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        code = 13;
    else if (key->text().size() == 1 && key->text()[0].unicode() <= 0x7fff)
        code = static_cast<int16_t>(key->text()[0].unicode());
    else
        return;
    emit KeyPress(code);
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

LabelControl::LabelControl(QWidget* parent) : QLabel(parent)
{
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void LabelControl::setCaption(const std::string& caption)
{
    setText(QString::fromStdString(caption));
    fit_width();
}

void LabelControl::setFont(const QFont& font)
{
    QLabel::setFont(font);
    fit_width();
}

QColor LabelControl::foreColor() const
{
    return palette().color(QPalette::WindowText);
}

void LabelControl::setForeColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LabelControl::setLeftTw(double v) { move(px(v), y()); }
void LabelControl::setTopTw(double v) { move(x(), px(v)); }
void LabelControl::setHeightTw(double v) { resize(width(), px(v)); }

void LabelControl::fit_width()
{
    resize(text().isEmpty() ? 0 : sizeHint().width(), height());
}

void LabelControl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
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
