#include "platform/gbk_text.h"

#include <iconv.h>

#include "platform/codepage.h"
#include "platform/unique_resource.h"

namespace orvane::platform {

namespace {

struct IconvTraits {
  using Handle = iconv_t;
  // iconv_open reports failure as (iconv_t)-1; there is no other way to write it.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  static Handle Invalid() { return reinterpret_cast<iconv_t>(-1); }
  static void Close(Handle cd) { iconv_close(cd); }
};

// `text` through the converter `cd`, into at most `room` bytes. Where the
// converter stops at a byte it cannot take, `skip` writes what stands for it
// and moves past it.
template <typename Skip>
std::string Convert(iconv_t cd, std::string_view text, std::size_t room, Skip skip) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string in(text);
  std::string out(room, '\0');
  char* in_ptr = in.data();
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) break;
    if (out_left == 0) break;
    skip(in_ptr, in_left, out_ptr, out_left);
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

std::string ConvertGbkToUtf8(std::string_view gbk) {
  // One converter per thread, opened on first use, closed when the thread ends.
  thread_local const UniqueResource<IconvTraits> converter(iconv_open("UTF-8", "GBK"));
  if (!converter) return std::string(gbk);
  return Convert(converter.get(), gbk, gbk.size() * 2 + 4,
                 [](char*& in, std::size_t& in_left, char*& out, std::size_t& out_left) {
                   *out++ = *in++;  // not GBK: copy the byte through and go on
                   --in_left;
                   --out_left;
                 });
}

std::string Utf8ToLogText(std::string_view utf8) {
  thread_local const UniqueResource<IconvTraits> converter(iconv_open("GBK", "UTF-8"));
  if (!converter) return std::string(utf8);
  // GBK never takes more bytes than UTF-8 for the same text, and "?" one.
  return Convert(converter.get(), utf8, utf8.size() + 4,
                 [](char*& in, std::size_t& in_left, char*& out, std::size_t& out_left) {
                   // A character GBK has not, or a byte that is no UTF-8: one "?".
                   *out++ = '?';
                   --out_left;
                   do {
                     ++in;
                     --in_left;
                   } while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
                 });
}

}  // namespace orvane::platform
