#include "skirmish/Session.h"

#include <cstdio>

#include "app/ConfigFiles.h"
#include "app/Main.h"
#include "platform/Files.h"

namespace skirmish {

bool SessionPending() {
    return platform::fileExists(app::ProgramDir() + kSessionMarker);
}

std::string SessionGameDir() {
    return app::StripCrLf(platform::readTextFile(app::ProgramDir() + kSessionMarker));
}

void BeginSession(const std::string& gameDir) {
    platform::writeTextFile(app::ProgramDir() + kSessionMarker, gameDir + "\r\n");
}

void EndSession() {
    std::remove(platform::nativePath(app::ProgramDir() + kSessionMarker).c_str());
}

void SetStartState(app::Main& main) {
    main.EndGame.setEnabled(false);
    main.Start.setEnabled(true);
    main.Exit2.setEnabled(true);
}

void SetGameRunningState(app::Main& main) {
    main.Start.setEnabled(false);
    main.EndGame.setEnabled(true);
    main.Exit2.setEnabled(false);
}

}  // namespace skirmish
