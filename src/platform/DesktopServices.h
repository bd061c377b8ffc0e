// The desktop's opener: shows a file or a web address with the program the
// user's desktop chooses for it (the text viewer, the web browser).
//
// This is the one place that knows how the desktop is asked. The opener is
// started with the target as its single argument, never through a shell, so
// a path with blanks, quotes, ";" or "$(...)" in it reaches it whole and runs
// nothing. It runs on by itself; the program neither waits for it nor watches
// what it opens.
#pragma once

#include <string>
#include <vector>

namespace platform {

class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Hands the target to the desktop's opener. Returns the opener's process
    // id, or 0 when the opener could not be started.
    virtual long open(const std::string& target) = 0;
};

// The freedesktop opener, `xdg-open`, looked up on PATH.
class XdgDesktopServices : public DesktopServices {
public:
    long open(const std::string& target) override;
};

// An opener for tests: records every target and starts nothing.
class RecordingDesktopServices : public DesktopServices {
public:
    long open(const std::string& target) override;

    std::vector<std::string> opened;
    // When set, the opener cannot be started.
    bool failing = false;
};

// The opener the program uses (xdg-open unless something else is put in
// place); tests put their own in place.
DesktopServices& desktop();
void setDesktop(DesktopServices* services);

}  // namespace platform
