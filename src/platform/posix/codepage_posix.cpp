#include "platform/codepage.h"

#include <iconv.h>

#include "platform/unique_resource.h"

namespace orvane::platform {

// File names, arguments and terminals are UTF-8 on the systems we run on.
CodePage AnsiCodePage() { return CodePage::Utf8(); }

std::optional<std::string> AnsiToUtf8(std::string_view ansi) { return std::string(ansi); }

std::string_view AnsiCharsetName() { return "utf-8"; }

namespace {

struct IconvTraits {
  using Handle = iconv_t;
  // iconv_open reports failure as (iconv_t)-1; there is no other way to write it.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  static Handle Invalid() { return reinterpret_cast<iconv_t>(-1); }
  static void Close(Handle cd) { iconv_close(cd); }
};

}  // namespace

std::string Utf8ToLogText(std::string_view utf8) {
  thread_local const UniqueResource<IconvTraits> converter(iconv_open("GBK", "UTF-8"));
  if (!converter) return std::string(utf8);
  const iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string in(utf8);
  // GBK never takes more bytes than UTF-8 for the same text, and "?" one.
  std::string out(in.size() + 4, '\0');
  char* in_ptr = in.data();
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) break;
    if (out_left == 0) break;
    // A character GBK has not, or a byte that is no UTF-8: one "?" for it.
    *out_ptr++ = '?';
    --out_left;
    do {
      ++in_ptr;
      --in_left;
    } while (in_left > 0 && (static_cast<unsigned char>(*in_ptr) & 0xC0) == 0x80);
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace orvane::platform
