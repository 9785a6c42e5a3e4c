#include "platform/pictures.h"

#include <QApplication>
#include <gtest/gtest.h>

int single_instance_child_main();   // tests/platform/test_single_instance.cpp

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Started again by the single-instance test, this binary plays the other running copy.
    if (qEnvironmentVariableIsSet("TAVOLY_TEST_INSTANCE_LOCK"))
        return single_instance_child_main();
    platform::set_metafile_helper(TAVOLY_METAFILE_HELPER);   // beside the program, not the tests
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
