#include "platform/gbk_text.h"

#include <iconv.h>

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

}  // namespace

std::string ConvertGbkToUtf8(std::string_view gbk) {
  // One converter per thread, opened on first use, closed when the thread ends.
  thread_local const UniqueResource<IconvTraits> converter(iconv_open("UTF-8", "GBK"));
  if (!converter) return std::string(gbk);
  const iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string in(gbk);
  std::string out(in.size() * 2 + 4, '\0');
  char* in_ptr = in.data();
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) break;
    if (out_left == 0) break;
    *out_ptr++ = *in_ptr++;  // not GBK: copy the byte through and go on
    --in_left;
    --out_left;
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace orvane::platform
