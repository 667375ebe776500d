#include "http/archive/crc32.h"

#include <array>
#include <cstring>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#include <immintrin.h>
#define ORVANE_CRC32_FOLDING 1
#endif

namespace orvane {

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// tables[0] is the classic byte-at-a-time table; tables[k][b] is the CRC of
// byte b followed by k zero bytes, so eight bytes are looked up at once.
constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t c = b;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    tables[0][b] = c;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t b = 0; b < 256; ++b) {
      const std::uint32_t prev = tables[k - 1][b];
      tables[k][b] = (prev >> 8) ^ tables[0][prev & 0xFF];
    }
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

// `state` is the register itself (the CRC before its final inversion).
std::uint32_t SliceBy8(std::uint32_t state, const unsigned char* p, std::size_t size) {
  while (size >= 8) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, p, 4);  // the tables assume little-endian words
    std::memcpy(&high, p + 4, 4);
    low ^= state;
    state = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^
            kTables[5][(low >> 16) & 0xFF] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^
            kTables[2][(high >> 8) & 0xFF] ^ kTables[1][(high >> 16) & 0xFF] ^
            kTables[0][high >> 24];
    p += 8;
    size -= 8;
  }
  while (size-- > 0) state = (state >> 8) ^ kTables[0][(state ^ *p++) & 0xFF];
  return state;
}

#ifdef ORVANE_CRC32_FOLDING

// The instructions the folding needs, enabled only in its own functions: the
// program still runs on a processor without them.
#define ORVANE_CRC32_TARGET __attribute__((target("pclmul,sse4.1")))

ORVANE_CRC32_TARGET inline __m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// a * k (both halves, crosswise as the constants are laid out) + next.
ORVANE_CRC32_TARGET inline __m128i FoldInto(__m128i a, __m128i k, __m128i next) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

// Folding with carry-less multiplication (Gopal et al., "Fast CRC computation
// for generic polynomials using PCLMULQDQ", Intel, 2009), in the bit-reflected
// domain. Four 128-bit lanes advance 64 bytes a step, are folded into one,
// which takes the remaining 16-byte blocks, and Barrett reduction brings it to
// 32 bits. `size` is at least 64 and a multiple of 16.
ORVANE_CRC32_TARGET std::uint32_t Fold(std::uint32_t state, const unsigned char* p,
                                       std::size_t size) {
  // x^(512+32), x^(512-32), x^(128+32), x^(128-32), x^64 mod P, reflected and
  // shifted one bit; then P itself and floor(x^64 / P), reflected.
  const __m128i fold4 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i fold1 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  const __m128i fold64 = _mm_set_epi64x(0, 0x163cd6124);
  const __m128i barrett = _mm_set_epi64x(0x1f7011641, 0x1db710641);
  const __m128i low32 = _mm_set_epi32(0, -1, 0, -1);
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i x1 = Load(p + 16);
  __m128i x2 = Load(p + 32);
  __m128i x3 = Load(p + 48);
  p += 64;
  size -= 64;
  while (size >= 64) {
    x0 = FoldInto(x0, fold4, Load(p));
    x1 = FoldInto(x1, fold4, Load(p + 16));
    x2 = FoldInto(x2, fold4, Load(p + 32));
    x3 = FoldInto(x3, fold4, Load(p + 48));
    p += 64;
    size -= 64;
  }
  x0 = FoldInto(x0, fold1, x1);
  x0 = FoldInto(x0, fold1, x2);
  x0 = FoldInto(x0, fold1, x3);
  while (size >= 16) {
    x0 = FoldInto(x0, fold1, Load(p));
    p += 16;
    size -= 16;
  }
  // 128 bits to 64, then to 32 + 32, then Barrett reduction.
  x0 = _mm_xor_si128(_mm_srli_si128(x0, 8), _mm_clmulepi64_si128(x0, fold1, 0x10));
  x0 = _mm_xor_si128(_mm_srli_si128(x0, 4),
                     _mm_clmulepi64_si128(_mm_and_si128(x0, low32), fold64, 0x00));
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x0, low32), barrett, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x0, t), 1));
}

// CPUID leaf 1, ECX: bit 1 is PCLMULQDQ, bit 19 SSE4.1. Asked directly
// rather than through __builtin_cpu_supports, whose table of every feature
// would weigh more in the Windows program than this whole file.
bool HasFolding() {
  static const bool kHas = [] {
    unsigned int eax = 0;
    unsigned int ebx = 0;
    unsigned int ecx = 0;
    unsigned int edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    return (ecx & (1u << 1)) != 0 && (ecx & (1u << 19)) != 0;
  }();
  return kHas;
}

#endif

}  // namespace

std::uint32_t Crc32UpdateByTables(std::uint32_t crc, const void* data, std::size_t size) {
  return ~SliceBy8(~crc, static_cast<const unsigned char*>(data), size);
}

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint32_t state = ~crc;
#ifdef ORVANE_CRC32_FOLDING
  if (size >= 64 && HasFolding()) {
    const std::size_t folded = size & ~static_cast<std::size_t>(15);
    state = Fold(state, p, folded);
    p += folded;
    size -= folded;
  }
#endif
  return ~SliceBy8(state, p, size);
}

}  // namespace orvane
