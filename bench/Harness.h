// The benchmark's harness: the program, its limit and the bare copy timed
// in turns in one process, a line a case with medians, ranges and both
// ratios, and the summary that judges each line against its target. A case
// that fails (an error, an expectation not met) is a line of its own that
// says why; the cases after it still run.
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
// A short pass runs every case this often on either, to see that each runs
// and does what is expected of it; its times are too few, and its machine
// may be too busy, to judge them against the targets.
constexpr int kShortRuns = 3;

// The full run (the default) or a short pass.
void setShortPass(bool on);
bool shortPass();

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
    std::string failure;  // why the case failed; empty when it ran through
    bool failed() const { return !failure.empty(); }
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

// What the untimed runs of ours and of what it is judged against did.
using Check = std::function<void(const Steps& ours, const Steps& against)>;

// Runs `body`, a case or what the cases after it need in place, and
// returns whether it ran through; when it fails, prints why and adds `what`
// to `cases` as a failed line.
bool attempt(std::vector<Case>& cases, const std::string& fileSystem, const std::string& what,
             const std::function<void()>& body);

// One untimed run of each, then turns of one run each of the three, their
// order going through the six orders there are. `check` sees what the
// untimed runs did. Prints the line and adds it to `cases`, failed when
// any run raises.
void measure(std::vector<Case>& cases, const std::string& fileSystem, std::string what,
             std::size_t files, std::string against, double target, const Work& ours,
             const Work& limit, const Work& bare, const Check& check = {});

// The heading of the lines.
void printHeading();

// Says of each line whether it failed, and in the full run whether its
// ratio is within its target. Returns the exit status: 1 when a case
// failed or none ran, 2 when a line missed its target, 0 otherwise.
int printSummary(const std::vector<Case>& cases);

}  // namespace bench
