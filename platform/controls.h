#pragma once
// The window-edge controls the forms are built from, placed and sized in twips.
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace platform {

constexpr int kTwipsPerPixel = 15;

inline int px(double twips) { return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5)); }
inline double twips(int pixels) { return pixels * double(kTwipsPerPixel); }

void place(QWidget* w, double left, double top, double width, double height);

// A place on a form in twips.
struct TwipsRect {
    double left, top, width, height;
};


// The window design's lettering, "Comic Sans MS" bold; where it is missing, a rounded sans
// rather than whatever the font matcher offers for it (a calligraphic italic on Debian).
QFont design_font(double points);

// An image control: a picture (optional), stretched or at its natural size, with click and
// double-click events. Click areas drawn on a background are image controls without picture.
class ImageControl : public QLabel {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent);

    void setPicture(const QPixmap& picture);   // natural size when not stretched
    const QPixmap& picture() const { return picture_; }
    void setStretch(bool on);

    double LeftTw() const { return twips(x()); }
    double WidthTw() const { return width_tw_; }
    double HeightTw() const { return height_tw_; }
    void setLeftTw(double v);
    void setTopTw(double v);
    void setWidthTw(double v);
    void setHeightTw(double v);

    std::string Tag;   // free text the form keeps with the control (a link, for instance)

signals:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void apply_size();
    bool double_clicked_ = false;   // the release that ends a double click is no click
    QPixmap picture_;
    bool stretch_ = false;
    double width_tw_ = 0;
    double height_tw_ = 0;
};

// A one-line label whose width follows its text and font (no word wrap), with a click event.
// Its height is the form's.
class LabelControl : public QLabel {
    Q_OBJECT
public:
    explicit LabelControl(QWidget* parent);

    std::string caption() const { return text().toStdString(); }
    void setCaption(const std::string& caption);
    void setFont(const QFont& font);
    QColor foreColor() const;
    void setForeColor(const QColor& colour);

    double LeftTw() const { return twips(x()); }
    double WidthTw() const { return twips(width()); }
    double HeightTw() const { return twips(height()); }
    void setLeftTw(double v);
    void setTopTw(double v);
    void setHeightTw(double v);

    std::string Tag;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void fit_width();
};

// A picture box as the receiver of mouse moves, reported in twips with the old button and
// shift masks (left 1, right 2, middle 4; Shift 1, Ctrl 2, Alt 4). It tracks the mouse, so a
// move without a button reaches it too, as the tray icon's messages do.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);

signals:
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
};

// The events of a text box (a line or a multi-line box) as the old text box raised them:
// no GotFocus when the focus comes back with the
// window, no Click for the release that ends a double click, and KeyPress before the box
// types the key, only for keys that type a character (Enter types 13).
class TextBoxEvents : public QObject {
    Q_OBJECT
public:
    // focus_after_press: a focus that a mouse press brings is reported once the press is done,
    // for a handler that selects the text (the press would clear the selection). Otherwise a
    // GotFocus handler that sends the focus elsewhere keeps the box from taking it.
    explicit TextBoxEvents(QLineEdit* box, bool focus_after_press = false);
    explicit TextBoxEvents(QPlainTextEdit* box);

signals:
    void Change();
    void GotFocus();
    void Click();
    void DblClick();
    void KeyPress(int16_t& KeyAscii);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TextBoxEvents(QWidget* box, bool focus_after_press);
    bool focus_in(QEvent* e);
    void key_press(QEvent* e);

    QWidget* box_;
    bool focus_after_press_;
    bool after_double_click_ = false;
};

// An image control without picture at a place, with its own mouse pointer: a click area
// over a drawn button, a photo slot, a star.
ImageControl* click_area(QWidget* parent, const TwipsRect& place, const QCursor& pointer);

// A mouse pointer drawn as a picture whose hot spot is its top edge, 10 pixels in (the
// fingertip of the pointing hands); the system's pointing hand when the picture is missing.
QCursor picture_pointer(const QString& picture);

} // namespace platform
