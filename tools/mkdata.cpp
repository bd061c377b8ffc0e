// zek_mkdata: writes the program folder's shipped data, a stand-in game
// folder, or just the stand-in launcher.
#include <exception>
#include <iostream>
#include <string>

#include "standin/StandIn.h"

namespace {

int usage(const char* self) {
    std::cerr << "usage: " << self << " program DIR    write the program's data into DIR "
              << "(existing files are kept)\n"
              << "       " << self << " game DIR       write a stand-in game folder into DIR\n"
              << "       " << self << " launcher FILE  write the stand-in launcher script\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const char* self = argc > 0 ? argv[0] : "zek_mkdata";
    if (argc != 3 || std::string(argv[2]).empty()) {
        return usage(self);
    }
    const std::string command = argv[1];
    const std::filesystem::path target = argv[2];
    try {
        if (command == "program") {
            standin::writeProgramData(target);
        } else if (command == "game") {
            standin::writeGameFolder(target);
        } else if (command == "launcher") {
            standin::writeLauncher(target);
        } else {
            return usage(self);
        }
    } catch (const std::exception& e) {
        std::cerr << self << ": " << e.what() << '\n';
        return 1;
    }
    return 0;
}
