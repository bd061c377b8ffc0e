// The benchmark's harness: the program, its limit and the bare copy timed
// in turns in one process, a line a case with medians, ranges and both
// ratios, and the summary that judges each line against its target.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Runs per case: on the disk a run waits for the device, and its times
// scatter; in memory many runs cost little and steady the medians.
constexpr int kDiskRuns = 21;
constexpr int kMemoryRuns = 41;

struct Times {
    std::vector<double> ms;
    double median() const;
    double least() const;
    double most() const;
};

// One line: the program (`ours`), what it is judged against (`limit`: the
// limit, or the same operation in exact case) and the bare copy.
struct Case {
    std::string fileSystem;
    std::string what;
    std::size_t files;
    std::string against;
    double target;
    Times ours;
    Times limit;
    Times bare;
    double ratio() const { return ours.median() / limit.median(); }
    double bareRatio() const { return ours.median() / bare.median(); }
};

// What one untimed run did, from the file layer's record of its steps.
struct Steps {
    std::size_t renames = 0;
    std::map<std::string, int> listings;  // folder -> how often listed
};

Steps recorded(const std::function<void()>& body);

struct Work {
    std::function<void()> run;
    std::function<void()> setup;  // outside the timed part, before every run
};

// Only the cases whose name holds `part` run.
void select(const std::string& part);
bool wanted(const std::string& what);

// One untimed run of each, then turns of one run each of the three, their
// order going through the six orders there are. `check` sees what the
// untimed run of ours did. Prints the line and adds it to `cases`.
void measure(std::vector<Case>& cases, const std::string& fileSystem, std::string what,
             std::size_t files, std::string against, double target, const Work& ours,
             const Work& limit, const Work& bare,
             const std::function<void(const Steps&)>& check = {});

// The heading of the lines.
void printHeading();

// Says of each line whether its ratio is within its target; returns
// whether every one is.
bool printSummary(const std::vector<Case>& cases);

}  // namespace bench
