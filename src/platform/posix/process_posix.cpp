#include <unistd.h>

#include "platform/process.h"

namespace orvane::platform {

void EndProcessNow(int exit_code) { _exit(exit_code); }

void FailCriticalErrorsQuietly() {}

}  // namespace orvane::platform
