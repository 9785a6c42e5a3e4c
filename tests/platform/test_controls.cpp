// An image control reports a double click as one click and one double click.
#include "platform/controls.h"
#include "tests/support/helpers.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageControl, ADoubleClickIsOneClickAndOneDoubleClick)
{
    platform::ImageControl image(nullptr);
    image.resize(10, 10);
    int clicks = 0, double_clicks = 0;
    QObject::connect(&image, &platform::ImageControl::clicked, [&] { ++clicks; });
    QObject::connect(&image, &platform::ImageControl::doubleClicked, [&] { ++double_clicks; });
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease})
        testing_support::send_mouse(&image, type);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(double_clicks, 1);
    testing_support::send_mouse(&image, QEvent::MouseButtonPress);
    testing_support::send_mouse(&image, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

} // namespace
