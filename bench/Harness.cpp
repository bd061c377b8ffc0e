// The turns of the three runs, the lines and the summary.
#include "Harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/FileFaults.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

std::string selected;
bool inShortPass = false;

double timed(const std::function<void()>& body) {
    auto start = Clock::now();
    body();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double run(const Work& work) {
    if (work.setup) {
        work.setup();
    }
    return timed(work.run);
}

// The untimed run: its set-up, then the run with its steps recorded.
Steps untimed(const Work& work) {
    if (work.setup) {
        work.setup();
    }
    return recorded(work.run);
}

void printFailure(const Case& line) {
    std::printf("%-6s %-44s FAILED: %s\n", line.fileSystem.c_str(), line.what.c_str(),
                line.failure.c_str());
}

int runsOn(const std::string& fileSystem) {
    if (inShortPass) {
        return kShortRuns;
    }
    return fileSystem == "memory" ? kMemoryRuns : kDiskRuns;
}

}  // namespace

double Times::median() const {
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    std::size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Times::least() const {
    return *std::min_element(ms.begin(), ms.end());
}

double Times::most() const {
    return *std::max_element(ms.begin(), ms.end());
}

Steps recorded(const std::function<void()>& body) {
    Steps steps;
    platform::setFileRecorder([&steps](const platform::FileEvent& event) {
        if (event.step == platform::FileStep::Rename) {
            ++steps.renames;
        } else if (event.step == platform::FileStep::List) {
            ++steps.listings[event.path];
        }
    });
    try {
        body();
    } catch (...) {
        platform::setFileRecorder(nullptr);
        throw;
    }
    platform::setFileRecorder(nullptr);
    return steps;
}

void setShortPass(bool on) {
    inShortPass = on;
}

bool shortPass() {
    return inShortPass;
}

void select(const std::string& part) {
    selected = part;
}

bool wanted(const std::string& what) {
    return what.find(selected) != std::string::npos;
}

bool attempt(std::vector<Case>& cases, const std::string& fileSystem, const std::string& what,
             const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        Case line{fileSystem, what, 0, "", 0, {}, {}, {}, error.what()};
        printFailure(line);
        std::fflush(stdout);
        cases.push_back(std::move(line));
        return false;
    }
}

void measure(std::vector<Case>& cases, const std::string& fileSystem, std::string what,
             std::size_t files, std::string against, double target, const Work& ours,
             const Work& limit, const Work& bare, const Check& check) {
    if (!wanted(what)) {
        return;
    }
    attempt(cases, fileSystem, what, [&] {
        const Steps oursSteps = untimed(ours);
        const Steps againstSteps = untimed(limit);
        if (check) {
            check(oursSteps, againstSteps);
        }
        run(bare);
        Case line{fileSystem, what, files, against, target, {}, {}, {}, {}};
        const Work* works[] = {&ours, &limit, &bare};
        Times* times[] = {&line.ours, &line.limit, &line.bare};
        // Each of the three goes first, second and last equally often, and
        // before each other one as often as after it.
        static constexpr int kOrders[6][3] = {{0, 1, 2}, {2, 1, 0}, {1, 2, 0},
                                              {0, 2, 1}, {2, 0, 1}, {1, 0, 2}};
        const int runs = runsOn(fileSystem);
        for (int turn = 0; turn < runs; ++turn) {
            for (int which : kOrders[turn % 6]) {
                times[which]->ms.push_back(run(*works[which]));
            }
        }
        std::printf(
            "%-6s %-44s %5zu %-10s %8.2f [%7.2f-%7.2f] %8.2f [%7.2f-%7.2f] %5.2fx bare %5.2fx\n",
            line.fileSystem.c_str(), line.what.c_str(), line.files, line.against.c_str(),
            line.ours.median(), line.ours.least(), line.ours.most(), line.limit.median(),
            line.limit.least(), line.limit.most(), line.bareRatio(), line.ratio());
        std::fflush(stdout);
        cases.push_back(std::move(line));
    });
}

void printHeading() {
    if (inShortPass) {
        std::printf(
            "copy_bench: a short pass, %d interleaved runs each; median [least-most] in ms, not "
            "judged\n",
            kShortRuns);
    } else {
        std::printf(
            "copy_bench: %d interleaved runs each on the disk, %d in memory; median [least-most] "
            "in ms\n",
            kDiskRuns, kMemoryRuns);
    }
    std::printf("%-6s %-44s %5s %-10s %26s %26s %11s %6s\n", "fs", "case", "files", "against",
                "ours", "against", "ours/bare", "ratio");
}

int printSummary(const std::vector<Case>& cases) {
    bool failed = false;
    bool missed = false;
    for (const Case& line : cases) {
        if (line.failed()) {
            failed = true;
            printFailure(line);
        } else if (inShortPass) {
            std::printf("%-6s %-44s %5.2fx: ran, not judged\n", line.fileSystem.c_str(),
                        line.what.c_str(), line.ratio());
        } else {
            const bool within = line.ratio() <= line.target;
            missed = missed || !within;
            std::printf("%-6s %-44s %5.2fx %s %.2fx: %s\n", line.fileSystem.c_str(),
                        line.what.c_str(), line.ratio(), within ? "<=" : "> ", line.target,
                        within ? "within" : "MISSED");
        }
    }
    if (failed) {
        std::printf("some case FAILED\n");
        return 1;
    }
    if (cases.empty()) {
        std::printf("no case ran\n");
        return 1;
    }
    if (inShortPass) {
        std::printf("every case ran and did what it should; a short pass judges no timing\n");
        return 0;
    }
    std::printf("%s\n", missed ? "some line MISSED its target" : "every line within its target");
    return missed ? 2 : 0;
}

}  // namespace bench
