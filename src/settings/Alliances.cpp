// The six alliance boxes: ticking one makes its two tribes allies, both ways,
// in all 25 levels; clearing it ends that alliance in all 25.
#include "app/Main.h"

namespace app {

void Main::AllianceClick(const Alliance& alliance) {
    MaskOp op = control<forms::CheckBox>(alliance.box).Value() != 0 ? MaskOp::Set : MaskOp::Clear;
    ApplyToAllLevels(hfile, op, alliance.firstCharacter, alliance.firstMask,
                     alliance.secondCharacter, alliance.secondMask);
}

}  // namespace app
