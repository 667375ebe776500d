// The pages of uploads: the "send files to this computer" area (a form for
// several files, with a small script that shows a bar per file and for the
// whole, and a line per file once it has arrived), the page that holds it
// when the folder listing is off, and the page that answers a form sent
// without the script. UTF-8, readable on a phone of 360 CSS pixels, light
// and dark, nothing from elsewhere. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The address of the upload page, and of the form's action. ":" is refused
// in every request path, so it can never name a file of the site folder.
inline constexpr std::string_view kUploadPath = "/:upload";

// The area: its style, form and script, to stand at the top of a page.
[[nodiscard]] std::string UploadArea();

// The page that holds only the area (the listing off).
[[nodiscard]] std::string UploadPage();

// One file that arrived whole: its final name and size.
struct StoredFile {
  std::string name;  // UTF-8
  std::uint64_t size = 0;
};

// What a form sent without the script gets back: the files that arrived,
// and `trouble` (empty when none) when something stopped the rest.
[[nodiscard]] std::string UploadResultPage(const std::vector<StoredFile>& stored,
                                           std::string_view trouble);

// The pages that answer a failed upload (400, 411, 507): the trouble in a
// line, as UTF-8 HTML.
[[nodiscard]] std::string UploadTroublePage(std::string_view trouble);

}  // namespace orvane
