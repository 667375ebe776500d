// The Windows program has no console: the runtime's default end for an
// exception nothing caught, which names the exception on standard error,
// would print to nowhere, yet it brings the whole C++ name demangler into
// the program (some 45 KiB). This end is the same for the user: the
// program stops at once, as abort() stops it. Every thread entry and window
// procedure catches what it can, so it is reached only by a fault.
#include <cstdlib>

namespace __gnu_cxx {

// Replaces libstdc++'s own, which the static link would otherwise take.
// The runtime's own name, which this definition must have.
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
