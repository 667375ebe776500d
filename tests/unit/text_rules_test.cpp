#include "http/core/text_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace orvane {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

struct TrimCase {
  std::string text;
  std::string expected;
};

TEST(TextRulesTest, TrimsAsciiAndIdeographicSpacesOnlyInGbk) {
  // clang-format off
  const TrimCase cases[] = {
      {"  80  ", "80"},
      {"\xA1\xA1" "80" "\xA1\xA1", "80"},
      {" \xA1\xA1 80 \xA1\xA1 ", "80"},
      {"\t80\t", "\t80\t"},
      {"\r\n80\r\n", "\r\n80\r\n"},
      {"a b", "a b"},
      {"", ""},
      {"   ", ""},
      {"\xA1\xA1\xA1\xA1", ""},
      // B0 A1 is one character; the last A1 is a lone byte, not a blank.
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1"},
      // B0 A1 then a real ideographic space A1 A1.
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      {"\xA1", "\xA1"},
      {"\xA1\xA1\xB0\xA1", "\xB0\xA1"},
  };
  // clang-format on
  for (const TrimCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, TrimBlanks(c.text, CodePage::Gbk()));
  }
}

struct CodePageCase {
  std::string text;
  std::string trimmed;  // TrimBlanks
  std::string folded;   // FoldFullWidth
};

void ExpectTrimAndFold(unsigned number, const std::vector<CodePageCase>& cases) {
  const CodePage cp = CodePage::KnownDoubleByte(number).value();
  for (const CodePageCase& c : cases) {
    SCOPED_TRACE(std::to_string(number) + ": " + c.text);
    EXPECT_EQ(c.trimmed, TrimBlanks(c.text, cp));
    EXPECT_EQ(c.folded, cp.FoldFullWidth(c.text));
  }
}

TEST(TextRulesTest, ShiftJisHasItsOwnIdeographicSpaceAndFullWidthForms) {
  // clang-format off
  ExpectTrimAndFold(932, {
      {"\x81\x40" "80 \x81\x40", "80", " 80  "},
      {"\x82\x57\x82\x4F\x82\x57\x82\x4F", "\x82\x57\x82\x4F\x82\x57\x82\x4F", "8080"},
      {"\x81\x7C\x82\x52\x81\x44\x82\x58", "\x81\x7C\x82\x52\x81\x44\x82\x58", "-3.9"},
      // A1 is a half-width katakana of its own here: A1 A1 is no space.
      {"\xA1\xA1" "80", "\xA1\xA1" "80", "\xA1\xA1" "80"},
      // 81 81 is one character and 40 an "@": no 81 40 on a character boundary.
      {"\x81\x81\x40", "\x81\x81\x40", "=@"},
      // GBK's row A3 is nothing special in Shift-JIS.
      {"\xA3\xB8", "\xA3\xB8", "\xA3\xB8"},
  });
  // clang-format on
}

TEST(TextRulesTest, UnifiedHangulHasItsOwnFullWidthForms) {
  // clang-format off
  ExpectTrimAndFold(949, {
      {"\xA1\xA1" "80 \xA1\xA1", "80", " 80  "},
      {"\xA3\xB8\xA3\xB0\xA3\xB8\xA3\xB0", "\xA3\xB8\xA3\xB0\xA3\xB8\xA3\xB0", "8080"},
      // B0 A1 is one syllable; the A1 A1 that a byte search would see is not there.
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
      // Row A3 holds the won sign where ASCII has its backslash.
      {"\xA3\xDC\xA1\xAC", "\xA3\xDC\xA1\xAC", "\xA3\xDC\\"},
  });
  // clang-format on
}

TEST(TextRulesTest, Big5HasItsOwnIdeographicSpaceAndFullWidthForms) {
  // clang-format off
  ExpectTrimAndFold(950, {
      {"\xA1\x40" "80 \xA1\x40", "80", " 80  "},
      {"\xA2\xB7\xA2\xAF\xA2\xB7\xA2\xAF", "\xA2\xB7\xA2\xAF\xA2\xB7\xA2\xAF", "8080"},
      {"\xA1\xD0\xA2\xB2\xA1\x44\xA2\xB8", "\xA1\xD0\xA2\xB2\xA1\x44\xA2\xB8", "-3.9"},
      // A1 A1 is a Big5 character, not a space.
      {"\xA1\xA1" "80", "\xA1\xA1" "80", "\xA1\xA1" "80"},
      // A4 A1 is one character and 40 an "@".
      {"\xA4\xA1\x40", "\xA4\xA1\x40", "\xA4\xA1@"},
  });
  // clang-format on
}

TEST(TextRulesTest, TrimsTheIdeographicSpaceOfUtf8Only) {
  // clang-format off
  EXPECT_EQ("80", TrimBlanks("\xE3\x80\x80" "80 \xE3\x80\x80", CodePage::Utf8()));
  // A single-byte code page has no ideographic space.
  EXPECT_EQ("\xA1\xA1" "80", TrimBlanks(" \xA1\xA1" "80 ", CodePage::SingleByte()));
  // clang-format on
}

#ifndef _WIN32
// Every double-byte character of Shift-JIS, UHC and Big5 that the C library's
// converter reads as the ideographic space or a full-width ASCII form folds
// to that ASCII byte; every other character stays as it is.
TEST(TextRulesTest, FoldsExactlyWhatIconvReadsAsFullWidth) {
  const std::pair<unsigned, const char*> pages[] = {{932, "CP932"}, {949, "CP949"}, {950, "CP950"}};
  for (const auto& [number, name] : pages) {
    const CodePage cp = CodePage::KnownDoubleByte(number).value();
    iconv_t cd = iconv_open("UTF-32LE", name);
    ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd) << name;
    int folded = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
        if (cp.CharLength(pair, 0) != 2) continue;
        char in[2] = {pair[0], pair[1]};
        char* in_at = in;
        std::size_t in_left = 2;
        char32_t wide[2] = {0, 0};
        char* out_at = reinterpret_cast<char*>(wide);
        std::size_t out_left = sizeof wide;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool one =
            iconv(cd, &in_at, &in_left, &out_at, &out_left) != static_cast<std::size_t>(-1) &&
            out_left == sizeof wide - sizeof(char32_t);
        std::string expected = pair;
        if (one && wide[0] == 0x3000) expected = " ";
        if (one && wide[0] >= 0xFF01 && wide[0] <= 0xFF5E) {
          expected = std::string(1, static_cast<char>(wide[0] - 0xFF01 + 0x21));
        }
        folded += expected.size() == 1;
        EXPECT_EQ(expected, cp.FoldFullWidth(pair))
            << name << " " << std::hex << lead << " " << trail;
        if (expected == " ") {
          EXPECT_EQ(pair, cp.IdeographicSpace()) << name;
        }
      }
    }
    iconv_close(cd);
    EXPECT_GT(folded, 80) << name;  // the converter really knew the code page
  }
}
#endif

struct FindCase {
  std::string text;
  std::string needle;
  std::size_t from;
  std::size_t expected;
};

TEST(TextRulesTest, FindNeverMatchesOnATrailByte) {
  // clang-format off
  const FindCase cases[] = {
      // 95 5C is one GBK character: its 5C is not a backslash.
      {"\x95\x5C" "a\\b", "\\", 0, 3},
      {"\x95\x5C", "\\", 0, kNone},
      {"\xB0\xA1\xA1\xA1", "\xA1\xA1", 0, 2},
      {"\xB0\xA1", "\xA1", 0, kNone},
      {"abab", "ab", 1, 2},
      {"abab", "ab", 3, kNone},
      {"abc", "", 1, 1},
      {"GET / HTTP/1.1\r\nHost: a\r\n", "\r\n", 0, 14},
      // A lead byte at the very end is a character of its own.
      {"a\x95", "\x95", 0, 1},
  };
  // clang-format on
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.needle);
    EXPECT_EQ(c.expected, FindText(c.text, c.needle, CodePage::Gbk(), c.from));
  }
  // Byte-wise in a single-byte code page and in UTF-8, from any position.
  for (const CodePage& cp : {CodePage::SingleByte(), CodePage::Utf8()}) {
    EXPECT_EQ(1u, FindText("\x95\x5C", "\\", cp));
    EXPECT_EQ(3u, FindText("\xE9\x95\xBF"
                           "ab"
                           "\xE9\x95\xBF",
                           "ab", cp, 3));
    EXPECT_EQ(5u, FindText("\xE9\x95\xBF"
                           "ab"
                           "\xE9\x95\xBF",
                           "\xE9\x95\xBF", cp, 1));
    EXPECT_EQ(kNone, FindText("abab", "ab", cp, 3));
    EXPECT_EQ(2u, FindLastText("abab", "ab", cp));
  }
}

TEST(TextRulesTest, FindLastAndReplaceStepOverDoubleByteCharacters) {
  const CodePage gbk = CodePage::Gbk();
  EXPECT_EQ(3u, FindLastText("a\\b\\c", "\\", gbk));
  EXPECT_EQ(0u, FindLastText("\\\x95\x5C", "\\", gbk));
  EXPECT_EQ(kNone, FindLastText("abc", "x", gbk));
  EXPECT_EQ("\x95\x5C/a/", ReplaceAll("\x95\x5C\\a\\", "\\", "/", gbk));
  EXPECT_EQ("xyxy", ReplaceAll("aa", "a", "xy", gbk));
  EXPECT_EQ("abc", ReplaceAll("abc", "", "x", gbk));
}

struct PairCase {
  unsigned code_page;
  std::string text;  // a lead byte and what follows it
  std::size_t expected;
};

TEST(TextRulesTest, ALeadByteTakesOnlyAValidTrailByteOfItsCodePage) {
  // clang-format off
  const PairCase cases[] = {
      // A separator, a line end or a control byte is never a trail byte.
      {932, "\x81/", 1},     {936, "\x81/", 1},     {949, "\x81/", 1},     {950, "\x81/", 1},
      {932, "\x81\r", 1},    {936, "\x81\r", 1},    {949, "\x81\r", 1},    {950, "\x81\r", 1},
      // Shift-JIS: 0x5C and 0x40 are trail bytes, 0x7F and 0xFD are not; 0xA0 leads nothing.
      {932, "\x95\x5C", 2},  {932, "\x81\x40", 2},  {932, "\x81\x7F", 1},  {932, "\x81\xFD", 1},
      {932, "\xA0\x40", 1},  {932, "\xE0\x80", 2},  {932, "\xEF\x40", 2},  {932, "\xF0\x40", 2},
      {932, "\xFC\xFC", 2},  {932, "\xFD\x40", 1},
      // GBK: 0x40-0xFE but 0x7F.
      {936, "\x95\x5C", 2},  {936, "\x81\x7F", 1},  {936, "\x81\xFF", 1},  {936, "\x81\x80", 2},
      // Unified Hangul Code: letters and 0x81-0xFE only.
      {949, "\x81\x41", 2},  {949, "\x81\x5C", 1},  {949, "\x81\x60", 1},  {949, "\x81\x61", 2},
      {949, "\x81\x80", 1},  {949, "\xB0\xA1", 2},
      // Big5: 0x40-0x7E and 0xA1-0xFE.
      {950, "\xA4\x5C", 2},  {950, "\xA4\x80", 1},  {950, "\xA4\xA0", 1},  {950, "\xA4\xA1", 2},
  };
  // clang-format on
  for (const PairCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page) + ": " + c.text);
    const std::optional<CodePage> cp = CodePage::KnownDoubleByte(c.code_page);
    ASSERT_TRUE(cp.has_value());
    EXPECT_EQ(c.expected, cp->CharLength(c.text, 0));
  }
  EXPECT_FALSE(CodePage::KnownDoubleByte(1252).has_value());
  // A code page asked from the system: its own lead and trail sets.
  std::bitset<256> lead;
  std::bitset<256> trail;
  lead.set(0x95);
  trail.set(0x5C);
  const CodePage asked = CodePage::DoubleByte(lead, trail);
  EXPECT_EQ(2u, asked.CharLength("\x95\x5C", 0));
  EXPECT_EQ(1u, asked.CharLength("\x95\x41", 0));
  EXPECT_EQ(1u, asked.CharLength("\xA1\x5C", 0));
  EXPECT_EQ(1u, asked.CharLength("a\x95", 1));
}

struct FoldCase {
  std::string text;
  std::string expected;
};

TEST(TextRulesTest, FoldFullWidthTurnsFullWidthFormsIntoAscii) {
  // clang-format off
  const FoldCase gbk_cases[] = {
      {"\xA3\xB8\xA3\xB0\xA3\xB8\xA3\xB0", "8080"},
      {"\xA3\xB0\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xB4\xA3\xB5\xA3\xB6\xA3\xB7\xA3\xB8\xA3\xB9",
       "0123456789"},
      {"\xA3\xAD" "21", "-21"},
      {"\xA3\xAE", "."},
      {"\xA1\xA1", " "},
      {"8\xA3\xB0", "80"},
      {"\xB0\xA1", "\xB0\xA1"},
      {"\xA3\xA0", "\xA3\xA0"},
      {"abc", "abc"},
  };
  // clang-format on
  for (const FoldCase& c : gbk_cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, CodePage::Gbk().FoldFullWidth(c.text));
  }
  EXPECT_EQ("80", CodePage::Utf8().FoldFullWidth("\xEF\xBC\x98\xEF\xBC\x90"));
  EXPECT_EQ(" ", CodePage::Utf8().FoldFullWidth("\xE3\x80\x80"));
  EXPECT_EQ("\xA3\xB8", CodePage::SingleByte().FoldFullWidth("\xA3\xB8"));
}

struct DecimalCase {
  std::string text;
  double expected;
};

TEST(TextRulesTest, ReadsTheLeadingDecimalLikeAtof) {
  // clang-format off
  const DecimalCase cases[] = {
      {"8080", 8080},   {"  81", 81},     {"\t\n42", 42},  {"81.9", 81.9},
      {"-21", -21},     {"+7", 7},        {"8080abc", 8080}, {"", 0},
      {"abc", 0},       {"-", 0},         {".", 0},        {".5", 0.5},
      {"5.", 5},        {"1e3", 1000},    {"1e", 1},       {"1e+", 1},
      {"2E-1", 0.2},    {"0x10", 0},      {"inf", 0},      {"nan", 0},
      {"1,5", 1},       {"00012", 12},    {"8 080", 8},    {"1e-400", 0},
      {"99999999999999999999", 1e20},     {"65616", 65616},
  };
  // clang-format on
  for (const DecimalCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(c.expected, ReadLeadingDecimal(c.text));
  }
  EXPECT_EQ(std::numeric_limits<double>::infinity(), ReadLeadingDecimal("1e400"));
  EXPECT_EQ(-std::numeric_limits<double>::infinity(), ReadLeadingDecimal("-1e400"));
}

// C's strtod rounds correctly on both C runtimes; the port's number read must
// give the same double wherever rounding decides the truncated integer.
TEST(TextRulesTest, ReadsDecimalsToTheSameDoubleAsStrtod) {
  // clang-format off
  const char* const cases[] = {
      "0.1",  "81.9", "8080.99999999999999", "8080.999999999999", "32767.99999999999999",
      "65615.9999999999999", "9007199254740993", "1e22", "1e23", "0.000001",
      "3.14159265358979323846264338327950288", "123456789012345678901234567890",
      "1.7976931348623157e308", "  -42.5e1xyz",
  };
  // clang-format on
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(std::strtod(text, nullptr), ReadLeadingDecimal(text));
  }
}

struct Low16Case {
  double value;
  std::int16_t expected;
};

TEST(TextRulesTest, KeepsTheLowSixteenBitsAfterTruncation) {
  // clang-format off
  const Low16Case cases[] = {
      {8080.9, 8080}, {-21.5, -21},  {-0.9, 0},       {40000, -25536}, {70000, 4464},
      {65616, 80},    {32767, 32767}, {32768, -32768}, {65536, 0},      {65537, 1},
      {std::nan(""), 0},
      // Outside the 64-bit range the value saturates before it is cut; 2^63 is
      // the first value outside, the one below it the last inside.
      {0x1p63, -1},   {0x1p63 - 1024, -1024},
      {1e30, -1},     {std::numeric_limits<double>::infinity(), -1},
      {-std::numeric_limits<double>::infinity(), 0},
  };
  // clang-format on
  for (const Low16Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.expected, LowSigned16(c.value));
  }
}

TEST(TextRulesTest, WritesPlainDecimalDigits) {
  EXPECT_EQ("0", DecimalText(0));
  EXPECT_EQ("80", DecimalText(80));
  EXPECT_EQ("-21", DecimalText(-21));
  EXPECT_EQ("-9223372036854775808", DecimalText(std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ("9223372036854775807", DecimalText(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ("18446744073709551615", UnsignedDecimalText(std::numeric_limits<std::uint64_t>::max()));
  EXPECT_EQ("65535", UnsignedDecimalText(65535));
}

TEST(TextRulesTest, FoldsCaseForAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("Range", "rANGE"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("Range", "Ranges"));
  // C1 and E1 differ by 0x20 but are not ASCII letters.
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC1", "\xE1"));
  EXPECT_EQ('[', AsciiLower('['));
  EXPECT_EQ('@', AsciiLower('@'));
  EXPECT_EQ('z', AsciiLower('Z'));
}

}  // namespace
}  // namespace orvane
