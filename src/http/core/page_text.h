// The pieces the pages made here are built from: text escaped for HTML,
// sizes in words, and page files filled in. Pure.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace orvane {

// `text` with & < > " and ' written as character references, so it is safe
// in an element's text and in a quoted attribute.
void AppendHtmlEscaped(std::string& out, std::string_view text);
[[nodiscard]] std::string HtmlEscaped(std::string_view text);

// "512 B", "1.5 KB", "20.0 MB", "3.2 GB": binary units, one decimal past B.
[[nodiscard]] std::string SizeText(std::uint64_t size);

// One place of a page file and what goes there: "{{name}}" and its text.
using PageField = std::pair<std::string_view, std::string_view>;

// The page file `page` with each "{{name}}" of `fields` replaced by its
// text, once, left to right; the texts put in are not read again, and a
// "{{" that names no field stays as it is.
[[nodiscard]] std::string FillPage(std::string_view page, std::initializer_list<PageField> fields);

}  // namespace orvane
