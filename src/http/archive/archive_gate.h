// How many archives are sent at the same time. Each holds a worker, its
// files and its disk's attention for as long as its download lasts, so a few
// at once are let through, as folder listings are (a gate of the same kind,
// with places of its own); the others wait their turn up to a deadline, and
// then get a page that asks them to come back.
#pragma once

#include "http/gate.h"

namespace orvane {

inline constexpr int kArchivesAtOnce = 4;

class ArchiveGate : public Gate {
 public:
  explicit ArchiveGate(int at_once = kArchivesAtOnce) : Gate(at_once) {}
};

// A place in the gate for one archive's sending, given back when it ends.
using ArchiveTurn = GateTurn;

}  // namespace orvane
