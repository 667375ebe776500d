// Where a request leads: the one place that turns a parsed request and the
// folder-listing option into a target, by asking the site folder's file
// system as little as it must. The reply, the QR window's line about what a
// phone will find, and the tests all ask this.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/body_source.h"
#include "http/core/path_map.h"
#include "http/core/request.h"
#include "http/core/serving_options.h"

namespace orvane {

// What the resolver may ask of the site folder.
class SiteLookup {
 public:
  enum class Kind { kNothing, kFile, kFolder, kOther };
  virtual ~SiteLookup() = default;
  // The regular file at `path`, opened for reading; null when there is none
  // or it cannot be opened (a folder, a device, a locked file).
  virtual std::unique_ptr<BodySource> Open(const MappedPath& path) = 0;
  // What is at `path`, links followed: kOther for a pipe, a device, a dead end.
  virtual Kind KindOf(const MappedPath& path) = 0;
  // A name in the system's ANSI code page as UTF-8; nullopt when the bytes
  // are not text of that code page.
  virtual std::optional<std::string> AnsiToUtf8(std::string_view ansi) = 0;
};

struct Target {
  enum class Kind {
    kIgnored,         // not a GET request: nothing is answered
    kFile,            // a regular file, open: `path`, `file`
    kFolderIndex,     // a folder's index.htm, open: `path`, `file`
    kListing,         // a folder to list: `path`, `heading`
    kFolderRedirect,  // a folder to send the client on to: `location`
    kMissing,         // nothing there, or no path at all (404)
    kRefused,         // a path the rules refuse; the file system was not asked (404)
    kUnreadable,      // something there that is not a file that opens (500)
    kUploadPage,      // uploads on: the page with the upload area (a GET)
    kUploadForm,      // uploads on: a form's files to receive (a POST)
    // Uploads on, the resumable upload protocol (tus): its options (OPTIONS
    // on the upload address), a new upload (a POST there with
    // Tus-Resumable), and at an upload's own address `upload_id` its offset
    // (HEAD), more of its bytes (PATCH) and its end (DELETE).
    kResumableOptions,
    kResumableCreate,
    kResumableOffset,
    kResumableAppend,
    kResumableEnd,
    kThumbnail,  // the listing on: a file's thumbnail, the file open: `path`, `file`
    kArchive,    // the listing on: a folder as one archive (a GET, or a POST of ticked
                 // names): `path`, `heading`
  };
  Kind kind = Kind::kMissing;
  MappedPath path;
  std::unique_ptr<BodySource> file;
  // kListing: the folder's path under the site folder in UTF-8, "/" or
  // "/a/b/" (a byte that is not UTF-8 shown as U+FFFD).
  std::string heading;
  // kFolderRedirect: the folder's own spelling with its final "/".
  std::string location;
  // kListing: the folder's own spelling ("/a%20b/"), as the request gave it.
  std::string spelling;
  // kResumableOffset, kResumableAppend, kResumableEnd: what follows
  // kUploadPath and "/" in the path, unchecked.
  std::string upload_id;
};

// `request`'s target under `site_root` (UTF-8). A path is mapped under the
// site folder's confinement (MapDecodedPath), as Unicode first when its
// bytes are UTF-8 and not ASCII, then in the ANSI code page. Without the
// folder listing: "/" alone is the folder's index.htm; a file that opens is
// kFile; anything else there is kUnreadable. With it: a path that names a
// folder (a final "/") is the folder's index.htm when that is a regular file
// that opens, else its listing; a folder named without the "/", or by any
// spelling other than its own (an escaped "/" or "\", "." or "..", a doubled
// "/", its ANSI spelling), is sent to its own spelling; a path with "%00" in
// it names nothing.
// With the listing on, kArchivePath followed by a path that names a folder
// (a GET, or a POST of the ticked names) is that folder as one archive,
// under any spelling that maps to it; a path that maps to no folder is
// kMissing or kRefused, as the folder's own address would be.
// With uploads on, the upload page's address (kUploadPath, any query) is
// that page for a GET, the form's receiver for a POST, and the resumable
// uploads' creation for a POST with a Tus-Resumable line and their options
// for an OPTIONS; below it, kUploadPath + "/" + id is an upload's address
// for HEAD, PATCH and DELETE. No file can have these names.
// With the listing on, kThumbnailPath and a path ("/:thumb/a/b.jpg") is the
// thumbnail of the file that path names, read as a file's path is (the same
// mapping and refusals); one that names no file that opens is kMissing.
Target Resolve(const ParsedRequest& request, std::string_view site_root, const CodePage& ansi,
               const ServingOptions& options, SiteLookup& files);

// True for a target whose request stores what it sends or ends an upload (an
// upload form, a resumable upload's creation, append and end): such a
// request must come from a page of this server (WriteFromThisServer).
[[nodiscard]] bool Writes(Target::Kind kind);

// The target of "/", as a phone that opens the server's address finds it.
Target ResolveRoot(std::string_view site_root, const CodePage& ansi, const ServingOptions& options,
                   SiteLookup& files);

}  // namespace orvane
