// Main's Help menu commands, except Help itself: the two text files, the
// three web pages and the About dialog. None of them reads or changes the
// skirmish settings, so they work in every state of Main, also while a game
// runs.
#include "help/HelpMenu.h"

#include <optional>

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "forms/Runtime.h"
#include "help/frmAbout.h"
#include "platform/Launcher.h"
#include "platform/Shell.h"

namespace help {

namespace {

// Shows one of the program's text files in the text viewer. The path is not
// quoted: the viewer takes the whole rest of its command line as the file.
// The file is not tested for: a missing one is the viewer's to report.
void viewTextFile(const char* file) {
    try {
        platform::launcher().run(kTextViewer + app::ProgramDir() + file,
                                 forms::winstyle::NormalFocus);
    } catch (const std::exception&) {
        // A viewer that cannot be started, for whatever reason, is no reason
        // to end the program (which would lose unsaved edits and, during a
        // game, the restore): the user learns why and carries on.
        forms::MsgBox(forms::classicError(std::current_exception()).Description(),
                      forms::style::Exclamation);
    }
}

// Opens a web page with the desktop's default handler; a page that does not
// open is not reported.
void openPage(const char* address) {
    constexpr int kShowCommand = 0;
    try {
        platform::shell().ShellExecute(0, std::nullopt, address, std::nullopt, std::nullopt,
                                       kShowCommand);
    } catch (const std::exception&) {
        // Not even a browser that cannot be started ends the program.
    }
}

}  // namespace

}  // namespace help

namespace app {

void Main::mnulevellist_Click() {
    help::viewTextFile(help::kLevelListFile);
}

void Main::mnuchangelog_Click() {
    help::viewTextFile(help::kChangeLogFile);
}

void Main::mnuzekvault_Click() {
    help::openPage(help::kZekVaultPage);
}

void Main::mnuashenpact_Click() {
    help::openPage(help::kAshenPactPage);
}

void Main::mnuzekrec_Click() {
    help::openPage(help::kOrnavellePage);
}

void Main::About1_Click() {
    forms::form<help::frmAbout>().Show(forms::ShowMode::Modal, this);
}

}  // namespace app
