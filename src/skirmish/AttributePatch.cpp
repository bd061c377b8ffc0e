#include "skirmish/AttributePatch.h"

#include "app/ConfigFiles.h"
#include "app/CopySet.h"
#include "app/Main.h"
#include "forms/Runtime.h"

namespace skirmish {

namespace {

constexpr std::size_t kFlagsOffset = 80;  // characters 81-86

}  // namespace

bool PatchAttributes(app::Main& main) {
    for (const char* folderWord : {"Easy", "Medium", "Hard"}) {
        for (int number = 1; number <= 50; ++number) {
            std::string relative = std::string("\\CPUScripts\\") + folderWord + "\\cpatr" +
                                   app::scriptNumber(number) + ".dat";
            try {
                // The read and the write of the record share one opening of
                // the file: 150 files are patched at every Start Game.
                app::UpdateRecord(app::ProgramDir() + relative, main.cpatrfile,
                                  app::kCpuAttributesLength, [&main](std::string& record) {
                                      record.replace(kFlagsOffset, app::kAvailabilityLength,
                                                     main.cpatrCFG);
                                  });
            } catch (const forms::RuntimeError&) {
                forms::MsgBox(
                    "Zekvarin Skirmish Mode was unable to save the spell and hut settings for the "
                    "computer players in " +
                        app::ProgramDir() + relative +
                        ".  The computer players may not follow your settings until this file "
                        "can be written.",
                    forms::style::Exclamation, "Error- Saving Computer Player Settings");
                return false;
            }
        }
    }
    return true;
}

}  // namespace skirmish
