// This machine's IPv4 addresses for the headless server's console: read from
// the system, chosen by the same rule as the window's address box, and shown
// as a QR code a phone can scan.
#pragma once

#include <cstdio>
#include <vector>

#include "ui/rules/address_text.h"

namespace orvane {

// One record per IPv4 address of every interface that is up, in the system's
// order, named by its interface; an interface that carries a default route in
// /proc/net/route has that route's gateway. Empty when the query fails.
[[nodiscard]] std::vector<ui::AdapterRecord> LanAdapterRecords();

// Writes the QR code of http://CHOSEN:PORT/ and, one per line, the other
// usable addresses with their interfaces. Writes nothing when no address is
// usable.
void PrintAddressQr(std::FILE* out, const ui::AdapterAddresses& lan, int port);

}  // namespace orvane
