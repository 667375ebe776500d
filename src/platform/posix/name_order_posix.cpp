#include "platform/name_order.h"

// The one include of the pure core from the platform layer: with no system
// order to ask, the portable one is the platform's answer.
#include "base/natural_order.h"

namespace orvane::platform {

bool NameLess(std::string_view a, std::string_view b) { return NaturalLess(a, b); }

}  // namespace orvane::platform
