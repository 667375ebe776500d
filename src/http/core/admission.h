// Who is let in: the verdict on a visitor, given before the request is
// resolved, and the only thing the reply reads of it.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

struct Admission {
  enum class Kind {
    kLetIn,          // served as without a code
    kSendOnWithout,  // the code was right: redirect to `location` with `cookie`
    kRefuse,         // the refusal page, nothing of the folder
  };
  Kind kind = Kind::kLetIn;       // as when no code is required
  std::string location;           // kSendOnWithout: the same path and query without the code
  std::string cookie_line;        // kSendOnWithout: the whole Set-Cookie line
  std::string_view refusal_page;  // kRefuse: the page (UTF-8 HTML) it is answered with
};

}  // namespace orvane
