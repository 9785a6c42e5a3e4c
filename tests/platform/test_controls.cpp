// An image control reports a double click as one click and one double click.
#include "platform/controls.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

void mouse(QWidget* w, QEvent::Type type)
{
    const QPointF at(2, 2);
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(ImageControl, ADoubleClickIsOneClickAndOneDoubleClick)
{
    platform::ImageControl image(nullptr);
    image.resize(10, 10);
    int clicks = 0, double_clicks = 0;
    QObject::connect(&image, &platform::ImageControl::clicked, [&] { ++clicks; });
    QObject::connect(&image, &platform::ImageControl::doubleClicked, [&] { ++double_clicks; });
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease})
        mouse(&image, type);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(double_clicks, 1);
    mouse(&image, QEvent::MouseButtonPress);
    mouse(&image, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

} // namespace
