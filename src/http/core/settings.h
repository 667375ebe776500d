// The two operator settings as the server reads them when it starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/core/text_rules.h"

namespace orvane {

constexpr std::int16_t kDefaultPort = 80;

// The server port from the text of the port box: the port number the text stands
// for, or 80 when that is below 1 (so 32768-65535, negative as 16 bits, give 80).
std::int16_t SettleServerPort(std::string_view port_text, const CodePage& cp);

// The site root from the text of the site-folder box, in UTF-8: one trailing
// backslash removed (only one). In UTF-8 the byte 0x5C is always a character
// of its own, never part of another. Nothing else is checked.
std::string SettleSiteRoot(std::string_view folder_text);

// What a start needs: the settled port and site root (UTF-8).
struct ServerSettings {
  std::int16_t port = kDefaultPort;
  std::string site_root;
};

// Both settings from the texts of their boxes, as above.
ServerSettings SettleServerSettings(std::string_view port_text, std::string_view folder_text,
                                    const CodePage& cp);

// How a start ended. Each front end words a failure itself.
enum class StartOutcome {
  kStarted,
  kSocketFailed,   // no listening socket could be created
  kBindFailed,     // the port could not be bound (`port` says which)
  kNoFirstWorker,  // no worker could be woken to wait for clients
};

struct StartResult {
  StartOutcome outcome = StartOutcome::kStarted;
  std::int16_t port = kDefaultPort;
};

}  // namespace orvane
