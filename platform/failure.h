#pragma once
// The failure model: a platform call that fails throws StepError; routines that resume
// after errors run each step through resume_next; every event edge runs through guard,
// so an error nobody handled ends that event's work and never the program.
#include <stdexcept>
#include <string>
#include <utility>

namespace platform {

class StepError : public std::runtime_error {
public:
    StepError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// The runtime's own error numbers that the layer raises.
enum ErrorNumber : int {
    errOverflow = 6,
    errSubscript = 9,
    errTypeMismatch = 13,
    errFileNotFound = 53,
    errPathNotFound = 76,
    errInvalidCall = 5,
    errNoCurrentRecord = 3021,
    errDatabase = 3000,
    errBadPassword = 3031,
    // Why a book could not be read or written; the program reports these to the user.
    errDiskFull = 3026,
    errReadOnlyDatabase = 3027,
    errFileInUse = 3045,
    errDamaged = 3049,
    errLocked = 3218,
    errUnrecognizedFormat = 3343,
    errPathFileAccess = 75,
    errInvalidPropertyValue = 380,
    errPictureFormat = 481,
};

void report_unhandled(const char* where, const char* what) noexcept;
void report_skipped(const char* file, int line, const char* what) noexcept;

// Called after every resume-next step when set: a test follows a routine's order through it.
inline void (*after_step)() = nullptr;

// Runs one step of a resume-next routine: a failing step is skipped. Returns whether it ran.
// A debug build writes what it skipped to stderr with the place of the step, so that a
// programming error inside a step does not vanish with the failures the routine expects.
template <class Step>
bool resume_next(Step&& step, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept
{
    bool ran = false;
    try {
        std::forward<Step>(step)();
        ran = true;
    } catch (const std::exception& e) {
#ifndef NDEBUG
        report_skipped(file, line, e.what());
#else
        (void)file;
        (void)line;
        (void)e;
#endif
    }
    if (after_step)
        after_step();
    return ran;
}

// The edge of an event: an unhandled error ends this event's work and is written to stderr.
template <class Handler>
void guard(const char* where, Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        report_unhandled(where, e.what());
    } catch (...) {
        report_unhandled(where, "unknown error");
    }
}

} // namespace platform
