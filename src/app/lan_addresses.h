// This machine's address for the headless server's console, chosen by the
// same rule as the window's address box, shown as a QR code a phone can scan.
#pragma once

#include <cstdio>

#include "address/address_text.h"

namespace orvane {

// Writes the QR code of http://CHOSEN:PORT/ and, one per line, the other
// usable addresses with their interfaces. Writes nothing when no address is
// usable.
void PrintAddressQr(std::FILE* out, const AdapterAddresses& lan, int port);

}  // namespace orvane
