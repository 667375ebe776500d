#include "platform/codepage.h"

namespace orvane::platform {

// File names, arguments and terminals are UTF-8 on the systems we run on.
CodePage AnsiCodePage() { return CodePage::Utf8(); }

}  // namespace orvane::platform
