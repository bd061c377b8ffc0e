// What the forms-runtime tests share: the trace their test forms' handlers
// write, how the next load of a test form sets itself up, and the fixture
// that clears both and gives each test a headless driver of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/headless/Headless.h"

namespace testing_support {

using Trace = std::vector<std::string>;

// What the handlers did, in order.
inline Trace trace;

inline void note(const std::string& entry) {
    trace.push_back(entry);
}

// How the next load of a test form sets itself up; reset for every test.
struct FormSetup {
    int dialogTimerInterval = 0;  // 0: the dialog has no running timer
    bool endOnTickInBox = false;  // the dialog's tick ends the program inside a box
    int timerInterval = 250;
    bool timerEnabledAtDesign = true;
    bool enableTimerInLoad = false;
    int unloadAfterTicks = 0;  // 0: the timer form never unloads itself
};
inline FormSetup setup;

class FormsRuntime : public ::testing::Test {
protected:
    FormsRuntime() {
        trace.clear();
        setup = FormSetup{};
    }

    forms::headless::Driver d;
};

}  // namespace testing_support
