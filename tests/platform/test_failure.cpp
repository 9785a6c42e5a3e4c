#include "platform/failure.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A resume-next step skips what fails; a debug build names it and its place on stderr, a
// programming error as much as a failure the routine expects.
TEST(ResumeNext, SkipsAFailingStepAndADebugBuildTellsWhatItSkippedAndWhere)
{
    std::vector<int> empty;
    testing::internal::CaptureStderr();
    const int line = __LINE__ + 1;
    const bool ran = platform::resume_next([&] { (void)empty.at(3); });
    const bool other_ran = platform::resume_next([] { throw platform::StepError(53, "File not found."); });
    const bool fine = platform::resume_next([] {});
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ran);
    EXPECT_FALSE(other_ran);
    EXPECT_TRUE(fine);
#ifdef NDEBUG
    EXPECT_EQ(told, "");
#else
    const std::string place = std::string(__FILE__) + ":" + std::to_string(line) + ": ";
    EXPECT_NE(told.find("tavoly: skipped at " + place), std::string::npos) << told;
    EXPECT_NE(told.find("range"), std::string::npos) << told;   // the out_of_range's own text
    EXPECT_NE(told.find(":" + std::to_string(line + 1) + ": File not found.\n"), std::string::npos) << told;
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 2) << told;
#endif
}

} // namespace
