// Damaged compiled help files: each opens as no help file, and none ends the
// program. The damage is made in copies of the shipped file, at places found
// from its own headers.
#include <chm_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/Main.h"
#include "platform/ChmHelpViewer.h"
#include "platform/CompiledHelp.h"
#include "platform/CompiledHelpCheck.h"
#include "support/TestSupport.h"

namespace {

using platform::CompiledHelp;
using testing_support::TempDir;
namespace fs = std::filesystem;

const fs::path kShipped = fs::path(ZEK_HELP_SOURCE_DIR) / "zekskirmishhelp.chm";

std::uint64_t readLE(const std::string& bytes, std::size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void writeLE(std::string& bytes, std::size_t at, int size, std::uint64_t value) {
    for (int i = 0; i < size; ++i, value >>= 8) {
        bytes[at + i] = static_cast<char>(value & 0xFF);
    }
}

// A number as directory records write it: 7 bits a byte, high bit set on
// all but the last.
std::string encoded(std::uint64_t value) {
    std::string groups(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) {
        groups.insert(groups.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    }
    return groups;
}

// The shipped file and where its parts lie, read from its headers: the
// directory header, its one listing chunk and the content area.
struct ShippedLayout {
    ShippedLayout() : bytes(testing_support::readFile(kShipped)) {
        directory = readLE(bytes, 0x48, 8);
        data = readLE(bytes, 0x58, 8);
        chunkLength = readLE(bytes, directory + 0x10, 4);
        listing = directory + 0x54 + chunkLength * readLE(bytes, directory + 0x20, 4);
    }

    // An entry's record in the listing chunk: where its offset and length
    // are written (from `at` to `end`), and their values.
    struct Record {
        std::size_t at, end;
        std::uint64_t start, length;
    };
    Record record(const std::string& name) const {
        std::string key = encoded(name.size()) + name;
        std::size_t at = bytes.find(key, listing) + key.size();
        auto number = [&] {
            std::uint64_t value = 0;
            while (static_cast<unsigned char>(bytes[at]) >= 0x80) {
                value = (value << 7) | (bytes[at++] & 0x7F);
            }
            return (value << 7) | static_cast<unsigned char>(bytes[at++]);
        };
        number();  // the section
        Record found{at, 0, number(), 0};
        found.length = number();
        found.end = at;
        return found;
    }

    // The file with an entry's offset and length changed. Longer numbers
    // push the records after them into the chunk's free space.
    std::string withRecord(const std::string& name, std::uint64_t start,
                           std::uint64_t length) const {
        Record old = record(name);
        std::string numbers = encoded(start) + encoded(length);
        std::size_t grown = numbers.size() - (old.end - old.at);
        std::string damaged = bytes;
        damaged.replace(old.at, old.end - old.at, numbers);
        damaged.erase(listing + chunkLength, grown);
        writeLE(damaged, listing + 4, 4, readLE(bytes, listing + 4, 4) - grown);
        return damaged;
    }

    // The file with an index chunk added after the listing chunk, as the
    // root of the directory, its one record naming `child` as the chunk that
    // holds the first name ("/"). The content area moves down by a chunk;
    // its entries count from its start, so they stay where they were.
    std::string withIndexChunk(std::uint64_t child) const {
        std::string chunk(chunkLength, '\0');
        std::string record = encoded(1) + "/" + encoded(child);
        chunk.replace(0, 4, "PMGI");
        writeLE(chunk, 4, 4, chunkLength - 8 - record.size());
        chunk.replace(8, record.size(), record);
        std::string indexed = bytes;
        std::uint64_t directoryLength = readLE(bytes, 0x50, 8);
        indexed.insert(directory + directoryLength, chunk);
        writeLE(indexed, 0x50, 8, directoryLength + chunkLength);
        writeLE(indexed, 0x58, 8, data + chunkLength);
        writeLE(indexed, directory + 0x18, 4, 2);  // the tree's depth
        writeLE(indexed, directory + 0x1C, 4, 1);  // its root
        writeLE(indexed, directory + 0x2C, 4, 2);  // the number of chunks
        return indexed;
    }

    // The file with one more entry, empty, after the listing chunk's last
    // record, in room taken from the chunk's free space.
    std::string withEntry(const std::string& name) const {
        std::string record = encoded(name.size()) + name + encoded(0) + encoded(0) + encoded(0);
        std::uint64_t free = readLE(bytes, listing + 4, 4);
        std::string added = bytes;
        added.replace(listing + chunkLength - free, record.size(), record);
        writeLE(added, listing + 4, 4, free - record.size());
        return added;
    }

    std::string with(std::size_t at, int size, std::uint64_t value) const {
        std::string damaged = bytes;
        writeLE(damaged, at, size, value);
        return damaged;
    }

    std::string bytes;
    std::size_t directory, data, chunkLength, listing;
};

const char* const kResetTable =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";
const char* const kControlData = "::DataSpace/Storage/MSCompressed/ControlData";

// Opens a file and reads all it shows: title, lists and every entry.
bool openAndReadAll(const std::string& path) {
    auto help = CompiledHelp::open(path);
    if (!help) {
        return false;
    }
    std::size_t seen = help->title().size() + help->contents().size() + help->index().size();
    for (const std::string& entry : help->entries()) {
        seen += help->read(entry).value_or("").size();
    }
    return seen > 0;
}

// What a contained run tells its parent, a line at a time: the case it
// starts (`at`) and each failure (`fail`).
struct Report {
    int fd;
    void line(char kind, const std::string& text) const {
        std::string out = kind + text + "\n";
        [[maybe_unused]] auto written = ::write(fd, out.data(), out.size());
    }
    void at(const std::string& text) const { line('@', text); }
    void fail(const std::string& text) const { line('!', text); }
};

// Runs `body` in a child process whose address space is limited, so an
// allocation beyond the limit fails there rather than taking the machine,
// and a crash or a hang ends only the child. The result lists the failures,
// and the case the child died in; empty when all went well.
std::string contained(const std::function<void(const Report&)>& body) {
    constexpr rlim_t kHeadroom = 512ull << 20;
    int channel[2];
    if (::pipe(channel) != 0) {
        return "no pipe";
    }
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = pages * ::sysconf(_SC_PAGESIZE) + kHeadroom;
        ::setrlimit(RLIMIT_AS, &limit);
        ::alarm(60);
        Report report{channel[1]};
        try {
            body(report);
        } catch (const std::exception& e) {
            report.fail(std::string("threw ") + e.what());
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::string failures, last;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '@') {
            last = line.substr(1);
        } else {
            failures += line.substr(1) + "; ";
        }
    }
    if (!WIFEXITED(status)) {
        failures += std::string("died of ") + ::strsignal(WTERMSIG(status)) + " at " + last;
    }
    return failures;
}

TEST(DamagedHelpFile, EachDamageOpensAsNothing) {
    ShippedLayout shipped;
    auto system = shipped.record("/#SYSTEM");
    auto resetTable = shipped.record(kResetTable);
    auto control = shipped.record(kControlData);
    std::size_t size = shipped.bytes.size();
    struct Case {
        const char* name;
        std::string bytes;
        bool opens;
    };
    const Case cases[] = {
        // The crafting itself leaves a sound file.
        {"the system record rewritten as it was",
         shipped.withRecord("/#SYSTEM", system.start, system.length), true},
        {"an index chunk over the listing chunk", shipped.withIndexChunk(0), true},

        {"the system record claims 4 GB", shipped.withRecord("/#SYSTEM", system.start, 4ull << 30),
         false},
        {"the system record starts past the end", shipped.withRecord("/#SYSTEM", size, 16), false},
        {"the directory's chunk size is zero", shipped.with(shipped.directory + 0x10, 4, 0), false},
        {"the compressed blocks' size is zero",
         shipped.with(shipped.data + resetTable.start + 0x20, 8, 0), false},
        {"the compression window is zero", shipped.with(shipped.data + control.start + 0x10, 4, 0),
         false},
        {"the directory starts past the end", shipped.with(0x48, 8, size), false},
        {"the directory is cut short", shipped.with(0x50, 8, 0x54 + 100), false},
        {"the file ends after the directory", shipped.bytes.substr(0, shipped.data), false},
        {"the listing chunk links to itself",
         shipped.with(shipped.listing + 0x10, 4,
                      (shipped.listing - shipped.directory - 0x54) / shipped.chunkLength),
         false},
        {"the index chunk names itself", shipped.withIndexChunk(1), false},
        {"the listing chunk's records run into its free space",
         shipped.with(shipped.listing + 4, 4, 0), false},
        {"the first listing chunk is past the last chunk",
         shipped.with(shipped.directory + 0x20, 4, 7), false},
    };
    TempDir dir;
    EXPECT_EQ(
        contained([&](const Report& report) {
            for (const Case& c : cases) {
                report.at(c.name);
                fs::path file = dir.path() / "damaged.chm";
                testing_support::writeFile(file, c.bytes);
                try {
                    if (openAndReadAll(file.string()) != c.opens) {
                        report.fail(std::string(c.name) + (c.opens ? ": refused" : ": opened"));
                    }
                } catch (const std::exception& e) {
                    report.fail(std::string(c.name) + ": threw " + e.what());
                }
            }
        }),
        "");
}

// chmlib copies an entry's name into a buffer of CHM_MAX_PATHLEN bytes and
// its terminating NUL: a name that fills it passes the check, one byte more
// does not.
TEST(DamagedHelpFile, AnEntryNameFillsTheReadersBufferAndNoMore) {
    ShippedLayout shipped;
    TempDir dir;
    fs::path file = dir.path() / "named.chm";
    for (auto [length, sound] : {std::pair{CHM_MAX_PATHLEN, true}, {CHM_MAX_PATHLEN + 1, false}}) {
        testing_support::writeFile(file, shipped.withEntry("/" + std::string(length - 1, 'n')));
        EXPECT_EQ(platform::compiledHelpLayoutIsSound(file.string()), sound)
            << "a name of " << length << " bytes";
    }
}

// Every byte of the headers and the directory, set to 0 and to 255 in turn:
// whatever opens reads through, nothing crashes or throws.
TEST(DamagedHelpFile, EveryByteOfTheDirectoryChangedOpensOrNotWithoutHarm) {
    ShippedLayout shipped;
    TempDir dir;
    fs::path file = dir.path() / "damaged.chm";
    testing_support::writeFile(file, shipped.bytes);
    int opened = 0, refused = 0;
    std::string failures = contained([&](const Report& report) {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        for (std::size_t at = 0; at < shipped.data; ++at) {
            for (char value : {'\0', '\xFF'}) {
                if (shipped.bytes[at] == value) {
                    continue;
                }
                report.at("byte " + std::to_string(at) + " set to " + std::to_string(value & 0xFF));
                out.seekp(static_cast<std::streamoff>(at)).put(value).flush();
                (openAndReadAll(file.string()) ? opened : refused)++;
                out.seekp(static_cast<std::streamoff>(at)).put(shipped.bytes[at]).flush();
            }
        }
        // Both roads were taken: changes in unused room leave a file to show.
        if (opened == 0 || refused == 0) {
            report.fail("opened " + std::to_string(opened) + ", refused " +
                        std::to_string(refused));
        }
    });
    EXPECT_EQ(failures, "");
}

// F1 on Main with a damaged file in the program folder: as with any file
// that is not compiled help, nothing opens, nothing is said, and the program
// runs on.
TEST(DamagedHelpFile, F1OpensNothingAndTheProgramRunsOn) {
    ShippedLayout shipped;
    auto system = shipped.record("/#SYSTEM");
    std::string failures = contained([&](const Report& report) {
        testing_support::ProgramFixture program;
        testing_support::writeFile(program.programDir() / "zekskirmishhelp.chm",
                                   shipped.withRecord("/#SYSTEM", system.start, 4ull << 30));
        platform::ChmHelpViewer viewer;
        platform::setHelpViewer(&viewer);
        program.start();
        report.at("F1");
        program.driver().key("Main", "F1");
        program.driver().run();
        platform::setHelpViewer(nullptr);
        if (!program.driver().backend().helpWindows().empty() ||
            !program.driver().messages().empty() || program.driver().ended()) {
            report.fail("a window, a message or the end: " + program.lastMessage());
        }
    });
    EXPECT_EQ(failures, "");
}

}  // namespace
