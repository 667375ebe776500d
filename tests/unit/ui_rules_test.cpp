// The window's pure rules: typed-character filter, arrow steps and the
// address text. Portable: runs natively and under Wine alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/address_text.h"
#include "ui/port_entry.h"

namespace orvane::ui {
namespace {

TEST(PortEntryTest, TypedCharacterFilterKeepsControlsDigitsAndMinus) {
  for (char32_t ch : {U'\b', U'\x01', U'\x03', U'\x16', U'\x18', U'\x1A', U'\x1F', U'0', U'5',
                      U'9', U'-'}) {
    EXPECT_TRUE(IsAcceptedPortChar(ch)) << static_cast<unsigned>(ch);
  }
  for (char32_t ch : {U' ', U'+', U'.', U'a', U'Z', U'/', U':', U'\x7F', U'\xFF10' /* full-width 0 */,
                      U'\x4E00'}) {
    EXPECT_FALSE(IsAcceptedPortChar(ch)) << static_cast<unsigned>(ch);
  }
}

TEST(PortEntryTest, LeadingIntegerReadsSignAndLeadingDigits) {
  const struct {
    const char* text;
    std::int64_t expected;
  } cases[] = {
      {"", 0},         {"abc", 0},       {"-", 0},        {"+", 0},         {"80", 80},
      {"  42", 42},    {"\t\n7", 7},     {"-5", -5},      {"+12", 12},      {"12ab3", 12},
      {"8080.9", 8080}, {"--3", 0},      {"- 3", 0},      {"007", 7},       {"12 34", 12},
      {"99999999999999999999999", 999999999999999999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, LeadingInteger(c.text));
  }
}

TEST(PortEntryTest, ArrowStepsWrapOutsideTheRange) {
  const struct {
    const char* text;
    ArrowDirection direction;
    std::int64_t expected;
  } cases[] = {
      {"80", ArrowDirection::kUp, 81},          {"80", ArrowDirection::kDown, 79},
      {"10000", ArrowDirection::kUp, 0},        {"0", ArrowDirection::kDown, 10000},
      {"9999", ArrowDirection::kUp, 10000},     {"1", ArrowDirection::kDown, 0},
      {"abc", ArrowDirection::kUp, 1},          {"abc", ArrowDirection::kDown, 10000},
      {"", ArrowDirection::kUp, 1},             {"-5", ArrowDirection::kUp, 0},
      {"20000", ArrowDirection::kDown, 10000},  {"20000", ArrowDirection::kUp, 0},
      {"-1", ArrowDirection::kUp, 0},           {"10001", ArrowDirection::kDown, 10000},
      {" 42x", ArrowDirection::kUp, 43},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.direction == ArrowDirection::kUp ? " up" : " down"));
    EXPECT_EQ(c.expected, ArrowStep(c.text, c.direction));
  }
}

TEST(AddressTextTest, PortPartFollowsTheServersReadingOfThePort) {
  const CodePage gbk = CodePage::Gbk();
  const struct {
    const char* port_text;
    const char* expected;
  } cases[] = {
      {"80", "http://10.1.2.3/"},
      {"8080", "http://10.1.2.3:8080/"},
      {"  8080  ", "http://10.1.2.3:8080/"},
      {"\xA1\xA1" "8080\xA1\xA1", "http://10.1.2.3:8080/"},  // ideographic spaces
      {"\xA3\xB8\xA3\xB0\xA3\xB8\xA3\xB0", "http://10.1.2.3:8080/"},  // full-width 8080
      {"8080.9", "http://10.1.2.3:8080/"},
      {"0", "http://10.1.2.3/"},
      {"", "http://10.1.2.3/"},
      {"-1", "http://10.1.2.3/"},
      {"-", "http://10.1.2.3/"},
      {"abc", "http://10.1.2.3/"},
      {"40000", "http://10.1.2.3/"},
      {"70000", "http://10.1.2.3:4464/"},
      {"65616", "http://10.1.2.3/"},
      {"32767", "http://10.1.2.3:32767/"},
      {"1", "http://10.1.2.3:1/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port_text);
    EXPECT_EQ(c.expected, ServerAddressText(c.port_text, "10.1.2.3", gbk));
  }
}

TEST(AddressTextTest, WithoutAnAddressOnlyTheSchemeAndPortRemain) {
  const CodePage gbk = CodePage::Gbk();
  EXPECT_EQ("http:///", ServerAddressText("80", "", gbk));
  EXPECT_EQ("http://:8080/", ServerAddressText("8080", "", gbk));
}

TEST(AddressTextTest, LastReachableAdapterAddressWins) {
  const struct {
    std::vector<std::string> addresses;
    const char* expected;
  } cases[] = {
      {{}, ""},
      {{"0.0.0.0"}, ""},
      {{""}, ""},
      {{"192.168.1.5"}, "192.168.1.5"},
      {{"192.168.1.5", "10.0.0.7"}, "10.0.0.7"},
      {{"192.168.1.5", "0.0.0.0"}, "192.168.1.5"},
      {{"0.0.0.0", "10.0.0.7", "0.0.0.0", ""}, "10.0.0.7"},
      {{"127.0.0.1", "172.16.0.1"}, "172.16.0.1"},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const auto& a : c.addresses) trace += "[" + a + "]";
    SCOPED_TRACE(trace);
    EXPECT_EQ(c.expected, ChooseAdapterAddress(c.addresses));
  }
}

}  // namespace
}  // namespace orvane::ui
