// What survives a power cut during a game: the order in which the backup,
// the session marker and the export reach the disk, as the platform layer
// records its steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/FileFaults.h"
#include "support/TestSupport.h"

namespace {

using platform::FileEvent;
using platform::FileStep;
using testing_support::FileSteps;
using testing_support::ProgramFixture;

bool under(const std::string& path, const std::string& folder) {
    return path.rfind(folder + "/", 0) == 0;
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
}

// The position of the first event from `from` on that satisfies `test`, or
// the number of events when there is none.
template <class Test>
std::size_t findFrom(const std::vector<FileEvent>& events, std::size_t from, Test test) {
    auto found =
        std::find_if(events.begin() + static_cast<std::ptrdiff_t>(from), events.end(), test);
    return static_cast<std::size_t>(found - events.begin());
}

// For each file renamed into place: where its data was written, where that
// data was synced, where it was renamed and where its folder was synced.
struct Durable {
    std::string target;
    std::size_t written;
    std::size_t synced;
    std::size_t renamed;
    std::size_t folderSynced;
};

std::vector<Durable> durableSteps(const std::vector<FileEvent>& events) {
    std::vector<Durable> files;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const FileEvent& rename = events[i];
        if (rename.step != FileStep::Rename) {
            continue;
        }
        Durable file{rename.target, events.size(), events.size(), i, events.size()};
        for (std::size_t w = i; w-- > 0;) {
            if (events[w].step == FileStep::Write && events[w].path == rename.path) {
                file.written = w;
                break;
            }
        }
        if (file.written < i) {
            file.synced = findFrom(events, file.written, [&](const FileEvent& e) {
                return e.step == FileStep::SyncFileSystem ||
                       (e.step == FileStep::SyncFile && e.path == rename.path);
            });
        }
        file.folderSynced = findFrom(events, i, [&](const FileEvent& e) {
            return e.step == FileStep::SyncFolder && e.path == folderOf(rename.target);
        });
        files.push_back(file);
    }
    return files;
}

TEST(Durability, BackupAndMarkerReachTheDiskBeforeTheExportTouchesTheGame) {
    ProgramFixture fx;
    FileSteps steps;
    fx.start();
    fx.driver().click("Main", "Start").click("frmdifficulty", "easy");
    fx.driver().run();

    const std::vector<FileEvent>& events = steps.events;
    const std::string game = fx.gameDir().string();
    const std::string backup = (fx.programDir() / "BACKUP").string();
    const std::string marker = backup + "/export.pending";
    const std::string sums = backup + "/export.sums";
    const std::string record = game + "/zekskirmish.session";
    const std::size_t firstExportWrite = findFrom(events, 0, [&](const FileEvent& e) {
        return e.step == FileStep::Write && under(e.target, game) && e.target != record;
    });
    const std::size_t firstExportRename = findFrom(events, 0, [&](const FileEvent& e) {
        return e.step == FileStep::Rename && under(e.target, game) && e.target != record;
    });
    ASSERT_LT(firstExportWrite, firstExportRename);
    ASSERT_LT(firstExportRename, events.size());

    std::size_t backedUp = 0;
    std::size_t exported = 0;
    bool markerSeen = false;
    bool recordSeen = false;
    bool sumsSeen = false;
    for (const Durable& file : durableSteps(events)) {
        SCOPED_TRACE(file.target);
        // Every file's data is on disk before its name switches over, and
        // its folder is synced afterwards.
        EXPECT_LT(file.written, file.synced);
        EXPECT_LT(file.synced, file.renamed);
        EXPECT_LT(file.renamed, file.folderSynced);
        EXPECT_LT(file.folderSynced, events.size());
        if (file.target == marker || file.target == sums || file.target == record) {
            // The session is on record on both sides, with what the export
            // writes, before the game's first file is touched.
            markerSeen |= file.target == marker;
            sumsSeen |= file.target == sums;
            recordSeen |= file.target == record;
            EXPECT_LT(file.folderSynced, firstExportWrite);
        } else if (under(file.target, backup)) {
            ++backedUp;
            EXPECT_LT(file.folderSynced, firstExportRename);
        } else if (under(file.target, game)) {
            ++exported;
        }
    }
    EXPECT_TRUE(markerSeen);
    EXPECT_TRUE(sumsSeen);
    EXPECT_TRUE(recordSeen);
    // The 152 copies and the record of the folder they came from, at the
    // start and again, fresh, at Start Game.
    EXPECT_EQ(backedUp, 2 * 153u);
    EXPECT_EQ(exported, 152u);
}

}  // namespace
