// The access code: who may read the site folder when the operator asked for
// a code. The code travels in the address the QR code carries; a visitor who
// brings it gets a cookie and is sent on to the same address without it.
// Pure: the random bytes, the code and the request come in, a verdict goes
// out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/admission.h"
#include "http/core/request.h"

namespace orvane {

// Easy to read aloud and to type: no 0 and O, no 1, I and L.
inline constexpr std::string_view kCodeAlphabet = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
// 12 characters of 31: 59 bits.
inline constexpr std::size_t kCodeLength = 12;
// The query parameter the code travels in.
inline constexpr std::string_view kCodeParameter = "code";

// A code drawn from `random` (bytes from the system's random source), each
// character from one byte below the largest multiple of 31 (the others are
// skipped, so every character is equally likely); nullopt when the bytes
// ran out first (64 bytes are plenty).
[[nodiscard]] std::optional<std::string> AccessCodeFrom(std::string_view random);

// The cookie that stands for the code: its name holds the port, since a
// browser keeps one set of cookies for every port of a host.
[[nodiscard]] std::string CodeCookieName(std::uint16_t port);

// Equal without a timing that tells how much of a guess was right: every
// byte is looked at, whatever the first difference. ASCII letters fold, so
// a code typed in lower case counts.
[[nodiscard]] bool SameCode(std::string_view given, std::string_view code);

// `request` with the code `code` required on port `port`: the right code in
// the query lets a GET in through a redirect that sets the cookie (any other
// request is let in at once); else the right cookie lets it in; else it is
// refused with the refusal page.
[[nodiscard]] Admission Admit(const ParsedRequest& request, std::string_view code,
                              std::uint16_t port);

// The address the redirect sends a visitor to: the raw path with the code
// parameter taken out of its query (every other part kept), as a path of
// this server only (one leading "/"), with the bytes a header cannot hold
// percent-encoded.
[[nodiscard]] std::string WithoutCode(std::string_view raw_path);

// A visitor refused, with the refusal page.
[[nodiscard]] Admission Refused();

// The refusal page's body (UTF-8): the address needs its code, which the QR
// code on the server's screen carries.
[[nodiscard]] std::string_view RefusalPage();

}  // namespace orvane
