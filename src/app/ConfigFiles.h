// The two configuration files in the program's CFG folder.
//
// Each holds one line: a directory exactly as it stood in the box that was
// saved, followed by CR LF. "\CFG\zekdir.cfg" holds the game directory,
// "\CFG\appdir.cfg" the program directory as it was when last saved (an
// empty one means the program has not been configured yet).
#pragma once

#include <functional>
#include <string>

namespace app {

constexpr const char* kZekdirCfg = "\\CFG\\zekdir.cfg";
constexpr const char* kAppdirCfg = "\\CFG\\appdir.cfg";

// The folder of the running program, fetched afresh for every path.
std::string ProgramDir();

// Writes the text and CR LF as the file's whole content. The name is
// relative to the program folder. Raises forms::RuntimeError on failure.
void WriteConfigFile(const std::string& relativeName, const std::string& text);

// The whole content of the file, CR LF included. Raises forms::RuntimeError
// when the folder or the file is missing or cannot be read.
std::string ReadConfigFile(const std::string& relativeName);

// The text with every CR LF pair removed, in one pass from the start; a lone
// CR or LF stays.
std::string StripCrLf(const std::string& text);

// Both configuration files, read in turn, each with every CR LF pair removed.
struct Configuration {
    std::string zekdir;
    std::string appdir;
};
// Raises forms::RuntimeError when either file cannot be read.
Configuration ReadConfiguration();
// The same for the start-up: a failure runs `beforeMessage` (if any), shows
// the critical configuration message and ends the program.
Configuration ReadConfigurationOrEnd(const std::function<void()>& beforeMessage = {});

// Whether the text names a game directory the program can work in: the full
// path of an existing folder. A relative path would depend on the folder the
// program happens to be started from.
bool IsGameFolder(const std::string& dir);
// Checks a game directory the user entered: the full path of an existing
// folder that holds every file the backup cannot do without. A refused one
// gets a message saying why, and the caller writes nothing.
bool AcceptGameFolder(const std::string& dir);

// A text as a message can show it: what is not plain printable text
// (control bytes, broken characters) becomes "?".
std::string Printable(const std::string& text);

}  // namespace app
