#pragma once
// The photo viewer: one contact photo at its natural size, in a fixed-size tool window that
// sizes itself to the picture and takes the whole screen width or height, with a scroll bar
// to pan, when the picture is larger than the screen.
#include <QPixmap>
#include <QWidget>

class QFrame;
class QLabel;
class QScrollBar;

class Foto : public QWidget {
    Q_OBJECT
public:
    explicit Foto(QWidget* parent = nullptr);

    // Picture1 = picture. Picture1 takes the picture's size, and a change of size runs the
    // layout.
    void setPicture1(const QPixmap& picture);

    void Picture1_Resize();
    void HScroll1_Change();
    void VScroll1_Change();

    // The window's outer size in twips, frame and caption bar included.
    double Width() const;
    double Height() const;

    QFrame* Picture2 = nullptr;     // the viewport
    QLabel* Picture1 = nullptr;     // the picture at its natural size; its place is the pan offset
    QScrollBar* HScroll1 = nullptr;
    QScrollBar* VScroll1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void setWidth(double twips);
    void setHeight(double twips);
    void setViewportWidth(double twips);
    void setViewportHeight(double twips);
    void startAfresh();
    void keepOnScreen();

    QWidget* viewport_client_ = nullptr;   // Picture2's inside, within its border
    bool centred_ = false;
    bool laid_out_ = false;
};
