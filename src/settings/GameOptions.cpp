// Fog of war and god mode: each button's caption is its state, and a click
// switches its bit of character 99 in all 25 levels.
#include "app/Main.h"

namespace app {

namespace {

void switchOption(Main& main, forms::CommandButton& button, const char* offCaption,
                  const char* onCaption, int mask) {
    if (button.Caption() == offCaption) {
        button.setCaption(onCaption);
        ApplyToAllLevels(main.hfile, MaskOp::Set, kGameOptionFlags, mask);
    } else {
        button.setCaption(offCaption);
        // Clear, not flip: switching off must leave the option off in every
        // level, also in those where it was off already.
        ApplyToAllLevels(main.hfile, MaskOp::Clear, kGameOptionFlags, mask);
    }
}

}  // namespace

void Main::Command1_Click() {
    switchOption(*this, Command1, "FOG is OFF", "FOG is ON", kFogOfWar);
}

void Main::Command2_Click() {
    switchOption(*this, Command2, "GOD is OFF", "GOD is ON", kGodMode);
}

}  // namespace app
