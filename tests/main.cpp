#include "platform/pictures.h"

#include <QApplication>
#include <gtest/gtest.h>

int single_instance_child_main();   // tests/platform/test_single_instance.cpp

// GCC 12's leak checker follows the dynamic TLS of the libraries a test loads at run time (the
// image plugins) and can read a block that glibc has not set up yet, crashing at exit after
// every test passed. Without that interception the leak check still reads every thread's
// stacks and static TLS.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

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
