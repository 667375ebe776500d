// The pages of uploads: the "send files to this computer" area (a form for
// several files, with a small script that sends each resumably and shows a
// bar per file and for the whole, and a line per file once it has
// arrived), the page that holds it
// when the folder listing is off, and the page that answers a form sent
// without the script. UTF-8, readable on a phone of 360 CSS pixels, light
// and dark, nothing from elsewhere; the pages themselves are files beside
// this one. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/reserved_paths.h"

namespace orvane {

// The area (upload_area.html with its style and script), to stand at the
// top of a page.
[[nodiscard]] std::string UploadArea();

// The page that holds only the area (the listing off).
[[nodiscard]] std::string UploadPage();

// One file that arrived whole: its final name and size.
struct StoredFile {
  std::string name;  // UTF-8
  std::uint64_t size = 0;
};

// The most stored files a result page names; the rest are counted, so a body
// of many small files costs no memory per file.
inline constexpr std::size_t kMaxNamedFiles = 1000;

// The files of one form that arrived whole: the first kMaxNamedFiles by
// name, and how many in all.
class StoredFiles {
 public:
  void Add(StoredFile file) {
    ++count_;
    if (named_.size() < kMaxNamedFiles) named_.push_back(std::move(file));
  }
  [[nodiscard]] const std::vector<StoredFile>& named() const { return named_; }
  [[nodiscard]] std::uint64_t count() const { return count_; }

 private:
  std::vector<StoredFile> named_;
  std::uint64_t count_ = 0;
};

// What a form sent without the script gets back: the files that arrived (a
// line for those not named), and `trouble` (empty when none) when something
// stopped the rest.
[[nodiscard]] std::string UploadResultPage(const StoredFiles& stored, std::string_view trouble);

// The pages that answer a failed upload (400, 411, 431, 507): the trouble in
// a line, as UTF-8 HTML.
[[nodiscard]] std::string UploadTroublePage(std::string_view trouble);

}  // namespace orvane
