// The single-instance check: a lock on the program folder, held by a running
// process and gone with it.
#include "platform/Instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedEnv;
using testing_support::TempDir;

// Each check runs in a child process of its own, as a second start of the
// program would, and reports what it saw: 'n' free, 'y' another running,
// 'f' failed.
char checkInChild(const std::string& folder, const std::string& runtimeDir) {
    int answer[2];
    if (::pipe(answer) != 0) {
        return '?';
    }
    pid_t child = ::fork();
    if (child == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        platform::InstanceCheck check = platform::lockProgramFolder(folder);
        char c = !check.failure.empty() ? 'f' : check.anotherRunning ? 'y' : 'n';
        (void)!::write(answer[1], &c, 1);
        std::_Exit(0);
    }
    char c = '?';
    (void)!::read(answer[0], &c, 1);
    ::waitpid(child, nullptr, 0);
    ::close(answer[0]);
    ::close(answer[1]);
    return c;
}

TEST(Instance, OneProgramPerFolderWhateverTheEnvironment) {
    TempDir program, other, runtimeA, runtimeB;
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeA.str());
    platform::InstanceCheck first = platform::lockProgramFolder(program.str());
    ASSERT_TRUE(first.failure.empty()) << first.failure;
    EXPECT_FALSE(first.anotherRunning);
    // A desktop session and a terminal without one see the same lock.
    EXPECT_EQ(checkInChild(program.str(), runtimeA.str()), 'y');
    EXPECT_EQ(checkInChild(program.str(), runtimeB.str()), 'y');
    // A program in another folder is another program.
    EXPECT_EQ(checkInChild(other.str(), runtimeB.str()), 'n');
}

// A cleaner, or a user who takes it for a stale lock, deletes a lock file
// of the program's folder, or puts another in its place: a second start
// still finds the first running.
TEST(Instance, HoldsWhateverHappensToTheFilesInTheFolder) {
    TempDir program;
    const fs::path lockFile = program.path() / "zekskirmish.lock";
    testing_support::writeFile(lockFile, "");
    ASSERT_TRUE(platform::lockProgramFolder(program.str()).failure.empty());
    fs::remove(lockFile);
    EXPECT_EQ(checkInChild(program.str(), program.str()), 'y');
    testing_support::writeFile(lockFile, "another");
    EXPECT_EQ(checkInChild(program.str(), program.str()), 'y');
}

TEST(Instance, LockGoesWithAProcessThatDiesWithoutCleaningUp) {
    TempDir program;
    int ready[2];  // child to parent: the child holds the lock
    int done[2];   // parent to child: the parent has looked
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::InstanceCheck check = platform::lockProgramFolder(program.str());
        char answer = check.anotherRunning || !check.failure.empty() ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        char wait = 0;
        (void)!::read(done[0], &wait, 1);  // until the parent has looked
        std::_Exit(9);                     // as a crash would: no clean-up
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'n');
    EXPECT_EQ(checkInChild(program.str(), program.str()), 'y');
    (void)!::write(done[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(checkInChild(program.str(), program.str()), 'n');
    for (int fd : {ready[0], ready[1], done[0], done[1]}) {
        ::close(fd);
    }
}

TEST(Instance, AFolderThatCannotHoldTheLockIsAFailureNamingIt) {
    TempDir root;
    const std::string missing = root.str() + "/not-there";
    platform::InstanceCheck check = platform::lockProgramFolder(missing);
    EXPECT_FALSE(check.anotherRunning);
    EXPECT_NE(check.failure.find(missing), std::string::npos) << check.failure;
    EXPECT_NE(check.failure.find("No such file or directory"), std::string::npos) << check.failure;
}

}  // namespace
