#include "http/upload/multipart.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "http/core/text_rules.h"

namespace orvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimOws(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

struct Parameter {
  std::string name;  // lower case
  std::string value;
};

// How a quoted value is written. A Content-Type's parameters are quoted
// strings, where a backslash escapes the next byte. A form's field names and
// file names are written as the HTML standard says: browsers put no
// backslash escape in them (a "\" is a character of the name) and write a
// '"', CR and LF of the name as %22, %0D and %0A.
enum class Quoting { kQuotedString, kFormName };

// A form name's %22, %0D and %0A as the bytes they stand for; any other "%"
// stays as it is.
std::string FormNameDecoded(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::string_view escape = value.substr(i, 3);
    if (EqualsIgnoreAsciiCase(escape, "%22")) {
      out += '"';
    } else if (EqualsIgnoreAsciiCase(escape, "%0D")) {
      out += '\r';
    } else if (EqualsIgnoreAsciiCase(escape, "%0A")) {
      out += '\n';
    } else {
      out += value[i];
      continue;
    }
    i += 2;
  }
  return out;
}

// The parameters after a header value's first item ("form-data; name=x"
// gives name=x), each "name=value" with the value a token or a quoted
// string, read as `quoting` says. An unquoted value runs to the next ';'
// (spaces around it dropped), so a file name with a space still reads
// whole. nullopt when the text is not of this form.
std::optional<std::vector<Parameter>> ParametersOf(std::string_view text, Quoting quoting) {
  std::vector<Parameter> out;
  std::size_t i = 0;
  const auto skip_blanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  while (true) {
    skip_blanks();
    if (i == text.size()) return out;
    if (text[i] != ';') return std::nullopt;
    ++i;
    skip_blanks();
    if (i == text.size()) return out;  // a ';' at the end
    const std::size_t equals = text.find('=', i);
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = TrimOws(text.substr(i, equals - i));
    if (name.empty() || name.find(';') != std::string_view::npos) return std::nullopt;
    i = equals + 1;
    skip_blanks();
    Parameter parameter{Lowered(name), {}};
    if (i < text.size() && text[i] == '"') {
      ++i;
      bool closed = false;
      while (i < text.size()) {
        const char c = text[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && quoting == Quoting::kQuotedString && i < text.size()) {
          parameter.value += text[i++];
        } else {
          parameter.value += c;
        }
      }
      if (!closed) return std::nullopt;
      if (quoting == Quoting::kFormName) parameter.value = FormNameDecoded(parameter.value);
    } else {
      const std::size_t end = std::min(text.find(';', i), text.size());
      parameter.value = std::string(TrimOws(text.substr(i, end - i)));
      i = end;
    }
    out.push_back(std::move(parameter));
  }
}

// The first parameter of this name, or nullptr.
const std::string* Find(const std::vector<Parameter>& parameters, std::string_view name) {
  for (const Parameter& parameter : parameters) {
    if (parameter.name == name) return &parameter.value;
  }
  return nullptr;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of an extended value "UTF-8'language'percent-encoded"; nullopt
// for another character set or a broken escape.
std::optional<std::string> ExtendedValue(std::string_view value) {
  const std::size_t charset_end = value.find('\'');
  if (charset_end == std::string_view::npos) return std::nullopt;
  if (!EqualsIgnoreAsciiCase(value.substr(0, charset_end), "utf-8")) return std::nullopt;
  const std::size_t language_end = value.find('\'', charset_end + 1);
  if (language_end == std::string_view::npos) return std::nullopt;
  const std::string_view encoded = value.substr(language_end + 1);
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      out += encoded[i];
      continue;
    }
    if (i + 2 >= encoded.size()) return std::nullopt;
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

bool ReadDisposition(std::string_view value, PartHeader& header) {
  const std::size_t type_end = std::min(value.find(';'), value.size());
  if (!EqualsIgnoreAsciiCase(TrimOws(value.substr(0, type_end)), "form-data")) return false;
  const std::optional<std::vector<Parameter>> parameters =
      ParametersOf(value.substr(type_end), Quoting::kFormName);
  if (!parameters) return false;
  if (const std::string* name = Find(*parameters, "name")) header.name = *name;
  std::optional<std::string> filename;
  if (const std::string* extended = Find(*parameters, "filename*")) {
    filename = ExtendedValue(*extended);
  }
  if (!filename) {
    if (const std::string* plain = Find(*parameters, "filename")) filename = *plain;
  }
  header.has_filename = filename.has_value();
  if (filename) header.filename = std::move(*filename);
  return true;
}

// A part's header lines (without the empty line that ends them). False when a
// line is not "Name: value" or "Content-Disposition: form-data" is missing
// or given twice.
bool ReadHeaderLines(std::string_view lines, PartHeader& header) {
  bool disposition = false;
  bool content_type = false;
  while (!lines.empty()) {
    const std::size_t end = std::min(lines.find(kLineEnd), lines.size());
    const std::string_view line = lines.substr(0, end);
    lines.remove_prefix(std::min(end + kLineEnd.size(), lines.size()));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view name = line.substr(0, colon);
    // A name with blanks: a folded continuation line, or a space before ':'.
    if (std::any_of(name.begin(), name.end(), IsBlank)) return false;
    const std::string_view value = TrimOws(line.substr(colon + 1));
    if (EqualsIgnoreAsciiCase(name, "content-disposition")) {
      if (disposition || !ReadDisposition(value, header)) return false;
      disposition = true;
    } else if (EqualsIgnoreAsciiCase(name, "content-type") && !content_type) {
      header.content_type = std::string(value);
      content_type = true;
    }
  }
  return disposition;
}

// The first place in `text` where `delimiter` (CR LF "--" boundary) begins,
// or npos. Only CR bytes are candidates, found with memchr, so data is not
// looked at byte by byte.
std::size_t FindDelimiter(std::string_view text, std::string_view delimiter) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* at = begin;
  while (static_cast<std::size_t>(end - at) >= delimiter.size()) {
    const std::size_t span = static_cast<std::size_t>(end - at) - delimiter.size() + 1;
    const void* cr = std::memchr(at, '\r', span);
    if (cr == nullptr) return std::string_view::npos;
    at = static_cast<const char*>(cr);
    if (std::memcmp(at + 1, delimiter.data() + 1, delimiter.size() - 1) == 0) {
      return static_cast<std::size_t>(at - begin);
    }
    ++at;
  }
  return std::string_view::npos;
}

}  // namespace

bool IsValidBoundary(std::string_view boundary) {
  if (boundary.empty() || boundary.size() > kMaxBoundaryBytes || boundary.back() == ' ') {
    return false;
  }
  for (const char c : boundary) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum && std::strchr("'()+_,-./:=? ", c) == nullptr) return false;
  }
  return true;
}

std::optional<std::string> BoundaryOf(std::string_view content_type) {
  const std::size_t type_end = std::min(content_type.find(';'), content_type.size());
  if (!EqualsIgnoreAsciiCase(TrimOws(content_type.substr(0, type_end)), "multipart/form-data")) {
    return std::nullopt;
  }
  const std::optional<std::vector<Parameter>> parameters =
      ParametersOf(content_type.substr(type_end), Quoting::kQuotedString);
  if (!parameters) return std::nullopt;
  const std::string* boundary = Find(*parameters, "boundary");
  if (boundary == nullptr || !IsValidBoundary(*boundary)) return std::nullopt;
  return *boundary;
}

MultipartReader::MultipartReader(std::string_view boundary) {
  if (!IsValidBoundary(boundary)) {
    state_ = MultipartState::kMalformed;
    return;
  }
  delimiter_ = "\r\n--";
  delimiter_ += boundary;
  // The first boundary may open the body itself: read as if a line break
  // came before the body, it is found as every later one is.
  held_ = kLineEnd;
}

MultipartState MultipartReader::Feed(std::string_view bytes, MultipartSink& sink) {
  while (!bytes.empty() && state_ == MultipartState::kMoreWanted) {
    std::size_t used = 0;
    switch (phase_) {
      case Phase::kPreamble:
      case Phase::kData:
        used = TakeUntilDelimiter(bytes, sink);
        break;
      case Phase::kHeaders:
        used = TakeHeaders(bytes, sink);
        break;
      case Phase::kBoundaryTail:
      case Phase::kCloseDash:
      case Phase::kPadding:
      case Phase::kPaddingLf:
        used = TakeBoundaryTail(bytes, sink);
        break;
    }
    bytes.remove_prefix(used);
  }
  return state_;
}

MultipartState MultipartReader::Finish() {
  if (state_ == MultipartState::kMoreWanted) state_ = MultipartState::kMalformed;
  return state_;
}

bool MultipartReader::Emit(std::string_view data, MultipartSink& sink) {
  if (phase_ != Phase::kData || data.empty()) return true;
  if (sink.PartData(data)) return true;
  state_ = MultipartState::kStopped;
  return false;
}

void MultipartReader::Delimiter() {
  held_.clear();
  phase_ = Phase::kBoundaryTail;
}

std::size_t MultipartReader::TakeUntilDelimiter(std::string_view bytes, MultipartSink& sink) {
  const std::string_view delimiter = delimiter_;
  if (!held_.empty()) {
    // The bytes held are a start of the delimiter: see whether these go on
    // with the rest of it.
    const std::size_t wanted = delimiter.size() - held_.size();
    const std::size_t n = std::min(wanted, bytes.size());
    if (bytes.substr(0, n) == delimiter.substr(held_.size(), n)) {
      if (n < wanted) {
        held_.append(bytes.data(), n);
      } else {
        Delimiter();
      }
      return n;
    }
    // No: they are data. The delimiter holds a CR only as its first byte, and
    // so do the bytes held, so no later byte of them can begin one either.
    const std::string data = std::exchange(held_, std::string());
    Emit(data, sink);
    return 0;
  }
  const std::size_t at = FindDelimiter(bytes, delimiter);
  if (at != std::string_view::npos) {
    if (Emit(bytes.substr(0, at), sink)) Delimiter();
    return at + delimiter.size();
  }
  // The end may be the start of a delimiter cut by the feed: only from the
  // last CR of its final bytes, for the same reason as above.
  std::size_t keep = bytes.size();
  const std::size_t tail = std::min(bytes.size(), delimiter.size() - 1);
  const std::size_t cr = bytes.substr(bytes.size() - tail).rfind('\r');
  if (cr != std::string_view::npos) {
    const std::size_t from = bytes.size() - tail + cr;
    if (delimiter.substr(0, bytes.size() - from) == bytes.substr(from)) keep = from;
  }
  if (Emit(bytes.substr(0, keep), sink)) held_.assign(bytes.substr(keep));
  return bytes.size();
}

std::size_t MultipartReader::TakeBoundaryTail(std::string_view bytes, MultipartSink& sink) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i++];
    switch (phase_) {
      case Phase::kCloseDash:
        if (c != '-') {
          state_ = MultipartState::kMalformed;
        } else {
          // The closing boundary: the body is complete.
          state_ = !in_part_ || sink.PartEnds() ? MultipartState::kDone : MultipartState::kStopped;
          in_part_ = false;
        }
        return i;
      case Phase::kPaddingLf:
        if (c != '\n') {
          state_ = MultipartState::kMalformed;
          return i;
        }
        // A part ends only at a boundary line that is whole.
        if (in_part_ && !sink.PartEnds()) {
          state_ = MultipartState::kStopped;
          return i;
        }
        in_part_ = false;
        phase_ = Phase::kHeaders;
        held_ = kLineEnd;
        return i;
      case Phase::kBoundaryTail:
        if (c == '-') {
          phase_ = Phase::kCloseDash;
          break;
        }
        [[fallthrough]];
      default:  // kPadding
        if (c == '\r') {
          phase_ = Phase::kPaddingLf;
        } else if (IsBlank(c)) {
          phase_ = Phase::kPadding;
        } else {
          state_ = MultipartState::kMalformed;
          return i;
        }
        break;
    }
  }
  return i;
}

std::size_t MultipartReader::TakeHeaders(std::string_view bytes, MultipartSink& sink) {
  // held_ starts with a CR LF of its own, so the block may be that long.
  const std::size_t limit = kMaxPartHeaderBytes + kLineEnd.size();
  const std::size_t before = held_.size();
  const std::size_t n = std::min(bytes.size(), limit - before);
  held_.append(bytes.data(), n);
  const std::size_t end = held_.find("\r\n\r\n", before >= 3 ? before - 3 : 0);
  if (end == std::string::npos) {
    if (held_.size() >= limit) state_ = MultipartState::kMalformed;
    return n;
  }
  PartHeader header;
  const std::string_view lines =
      end < kLineEnd.size() ? std::string_view() : std::string_view(held_).substr(2, end - 2);
  if (!ReadHeaderLines(lines, header)) {
    state_ = MultipartState::kMalformed;
    return n;
  }
  const std::size_t used = end + 4 - before;
  held_.clear();
  phase_ = Phase::kData;
  in_part_ = true;
  if (!sink.PartBegins(header)) state_ = MultipartState::kStopped;
  return used;
}

}  // namespace orvane
