// Zek Skirmish: picks the back end that draws real windows, fills in the
// application object and starts the program from its start-up screen.
#include <unistd.h>

#include <string>

#include "app/frmSplash.h"
#include "forms/Runtime.h"
#include "forms/qt/QtBackend.h"
#include "platform/ChmHelpViewer.h"
#include "platform/Instance.h"
#include "platform/Launcher.h"
#include "platform/RegistryFile.h"

namespace {

// The folder of the running executable: the program's data lies beside it.
std::string programFolder(const char* argv0) {
    std::string path(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    path = n > 0 ? path.substr(0, static_cast<std::size_t>(n)) : std::string(argv0);
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    return forms::runGuarded("ZekSkirmish", [&argc, argv] {
        std::string folder = programFolder(argv[0]);
        forms::Runtime runtime(forms::qt::makeBackend(argc, argv));
        forms::qt::setDesktopFileName(ZEK_DESKTOP_ID);
        runtime.app().Path = folder;
        const platform::InstanceCheck instance = platform::lockProgramFolder(folder);
        runtime.app().PrevInstance = instance.anotherRunning;
        runtime.app().InstanceCheckFailure = instance.failure;
        platform::ProcessLauncher launcher([] { return forms::App().Path; });
        platform::setLauncher(&launcher);
        // The registry the help viewer writes its registrations into, kept
        // in the user's configuration folder from one run to the next.
        platform::KeptRegistry registry(platform::registryFilePath());
        platform::setRegistry(&registry);
        platform::ChmHelpViewer helpViewer;
        platform::setHelpViewer(&helpViewer);
        runtime.run<app::frmSplash>();
        return forms::kExitNormally;
    });
}
