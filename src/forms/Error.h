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
#pragma once

#include <stdexcept>
#include <string>

namespace forms {

// Error numbers in the classic runtime's numbering, for the error report.
namespace err {
constexpr int InvalidProcedureCall = 5;
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

}  // namespace forms
