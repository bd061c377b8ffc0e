// Errors of the forms runtime.
//
// A RuntimeError is what a failing runtime operation raises (a file that
// cannot be opened, a copy that fails, a program that cannot be started).
// Handlers that trap errors catch it; one that is not caught reaches the
// event dispatch, which shows the unhandled-error report and ends the program.
//
// ProgramEnd is how the headless back end stops the program "at once": it is
// thrown by End(), is no std::exception, and must never be caught by
// application code, so it unwinds past every handler to the driver.
//
// A trap that takes any error catches std::exception: that takes the
// runtime's own errors and the standard library's (out of memory, a bad
// index, a failed system call), and lets ProgramEnd and DriverFault pass.
#pragma once

#include <stdexcept>
#include <string>

namespace forms {

// Error numbers in the classic runtime's numbering, for the error report.
namespace err {
constexpr int InvalidProcedureCall = 5;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int InternalError = 51;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceIO = 57;
constexpr int FileAlreadyExists = 58;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int TypeMismatch = 13;
}  // namespace err

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int Number() const { return number_; }
    std::string Description() const { return what(); }

private:
    int number_;
};

struct ProgramEnd {};

// Whatever drives the program from outside (a test's script) cannot go on.
// The fault is the driver's, not the program's: like ProgramEnd it is no
// std::exception, so it passes every trap and the event dispatch.
struct DriverFault {
    std::string message;
};

}  // namespace forms
