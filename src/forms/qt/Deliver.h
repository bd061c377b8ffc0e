// How the back end's windows and widgets hand a program handler for an event
// that Qt delivered to the back end, which runs it with the runtime's error
// handling: whatever the handler raises stops there, as Qt's loops cannot
// be unwound.
#pragma once

#include <functional>

namespace forms::qt {

using Deliver = std::function<void(const std::function<void()>& handler)>;

}  // namespace forms::qt
