// The Help menu's "&Help" command: the program's help file, on its contents.
#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "help/HTMLHelp.h"

namespace app {

void Main::Help2_Click() {
    if (!hHelp) {
        hHelp = std::make_shared<help::HTMLHelp>();
    }
    // The object stays in hHelp while a box of its own is open, so a Help
    // command run from inside that box finds the same one.
    auto& viewer = *static_cast<help::HTMLHelp*>(hHelp.get());
    viewer.CHMFile(ProgramDir() + "\\zekskirmishhelp.chm");
    viewer.HHDisplayContents(0);
}

}  // namespace app
