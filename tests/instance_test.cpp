// The single-instance check: a lock held by a running process, gone with it.
#include "platform/Instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/TestSupport.h"

namespace {

using testing_support::TempDir;

// Every check below names its own program folder, so the checks do not see
// each other's locks; the lock files go into a folder of this test.
class Instance : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", runtime_.str().c_str(), 1); }
    TempDir runtime_;
};

TEST_F(Instance, SecondCheckOfTheSameProgramSeesTheFirst) {
    EXPECT_FALSE(platform::anotherInstanceRunning("/opt/zek/one"));
    EXPECT_TRUE(platform::anotherInstanceRunning("/opt/zek/one"));
    // A program in another folder is another program.
    EXPECT_FALSE(platform::anotherInstanceRunning("/opt/zek/two"));
}

TEST_F(Instance, LockGoesWithAProcessThatDiesWithoutCleaningUp) {
    int ready[2];  // child to parent: the child holds the lock
    int done[2];   // parent to child: the parent has looked
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool other = platform::anotherInstanceRunning("/opt/zek/crash");
        char answer = other ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        char wait = 0;
        (void)!::read(done[0], &wait, 1);  // until the parent has looked
        std::_Exit(9);                     // as a crash would: no clean-up
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'n');
    EXPECT_TRUE(platform::anotherInstanceRunning("/opt/zek/crash"));
    (void)!::write(done[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(platform::anotherInstanceRunning("/opt/zek/crash"));
    for (int fd : {ready[0], ready[1], done[0], done[1]}) {
        ::close(fd);
    }
}

}  // namespace
