// The guest-spell selector: a click moves it on through Off, Bloodlust,
// Teleport and Armageddon. Its tooltip is its state; nothing saves it.
#include "app/Main.h"

namespace app {

void Main::Nothing1_Click() {
    const std::string state = Nothing1.ToolTipText();
    if (state == "Guest Spells (Cannot be saved)") {
        Nothing1.setPicture(Bloodlust.Picture());
        Nothing1.setToolTipText("Bloodlust (Cannot be saved)");
    } else if (state == "Bloodlust (Cannot be saved)") {
        Nothing1.setPicture(Teleport.Picture());
        Nothing1.setToolTipText("Teleport (Cannot be saved)");
    } else if (state == "Teleport (Cannot be saved)") {
        Nothing1.setPicture(Armageddon.Picture());
        Nothing1.setToolTipText("Armageddon (Cannot be saved)");
    } else if (state == "Armageddon (Cannot be saved)") {
        Nothing1.setPicture(Nothing2.Picture());
        Nothing1.setToolTipText("Guest Spells (Cannot be saved)");
    }
}

}  // namespace app
