// The 25 availability toggles: a click switches a spell or hut between
// available and unavailable in all 25 levels and in the availability record.
#include <cstdlib>

#include "app/Main.h"
#include "forms/Error.h"

namespace app {

namespace {

// The toggle's state is its Tag: "2" available, "1" unavailable.
double tagNumber(const std::string& tag) {
    char* end = nullptr;
    double value = std::strtod(tag.c_str(), &end);
    if (tag.empty() || end == tag.c_str()) {
        throw forms::RuntimeError(forms::err::TypeMismatch, "Type mismatch");
    }
    return value;
}

}  // namespace

void Main::ToggleAvailability(const AvailabilityItem& item) {
    forms::Image& toggle = image(item.toggle);
    if (tagNumber(toggle.Tag()) == 1) {
        toggle.setPicture(image(item.holder).Picture());
        toggle.setTag("2");
        MirrorToAvailability(cpatrCFG, hfile[0], item.character, item.mask, MaskOp::Set);
        ApplyToAllLevels(hfile, MaskOp::Set, item.character, item.mask);
    } else {
        toggle.setPicture(item.spell ? Nothing2.Picture() : Nothing3.Picture());
        toggle.setTag("1");
        // Clear, not flip: a level where the item was already unavailable
        // must stay so, whatever the other levels held.
        MirrorToAvailability(cpatrCFG, hfile[0], item.character, item.mask, MaskOp::Clear);
        ApplyToAllLevels(hfile, MaskOp::Clear, item.character, item.mask);
    }
}

}  // namespace app
