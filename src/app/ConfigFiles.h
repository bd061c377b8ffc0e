// The two configuration files in the program's CFG folder.
//
// Each holds one line: a directory exactly as it stood in the box that was
// saved, followed by CR LF. "\CFG\zekdir.cfg" holds the game directory,
// "\CFG\appdir.cfg" the program directory as it was when last saved (an
// empty one means the program has not been configured yet).
#pragma once

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

}  // namespace app
