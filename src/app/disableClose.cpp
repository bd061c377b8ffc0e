#include "app/disableClose.h"

#include "platform/WindowSystem.h"

namespace app {

void DisableCloseMenu(forms::Form& frm) {
    long hMenu = platform::GetSystemMenu(frm.hWnd(), false);
    // By position: Close is the last item and the separator the one above
    // it. Removing the later position first keeps the earlier one valid.
    platform::RemoveMenu(hMenu, 6, platform::MF_BYPOSITION);
    platform::RemoveMenu(hMenu, 5, platform::MF_BYPOSITION);
}

}  // namespace app
