// What both front ends tell other machines: the address text, which
// adapter's address it is, and its QR code. Runs natively and under Wine alike.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "front/address_text.h"
#include "front/phone_landing.h"
#include "front/qr_modules.h"

namespace orvane {
namespace {

TEST(AddressTextTest, PortPartFollowsTheServersReadingOfThePort) {
  const CodePage gbk = CodePage::Gbk();
  // clang-format off
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
  // clang-format on
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

TEST(AddressTextTest, ChoosesTheLastReachableAdapterPreferringOneWithAGateway) {
  const struct {
    std::vector<AdapterRecord> adapters;
    const char* expected;
  } cases[] = {
      {{}, ""},
      {{{"0.0.0.0", ""}}, ""},
      {{{"", "192.168.1.1"}}, ""},
      {{{"127.0.0.1", ""}, {"127.5.6.7", "127.0.0.1"}}, ""},
      {{{"169.254.10.20", "0.0.0.0"}}, ""},
      {{{"192.168.1.5", ""}}, "192.168.1.5"},
      // Without any gateway the last usable adapter wins.
      {{{"192.168.1.5", ""}, {"10.0.0.7", "0.0.0.0"}}, "10.0.0.7"},
      {{{"192.168.1.5", ""}, {"0.0.0.0", ""}, {"169.254.3.4", ""}}, "192.168.1.5"},
      // A later host-only network or virtual switch (no gateway) loses to
      // the adapter that reaches the rest of the network.
      {{{"192.168.1.5", "192.168.1.1"}, {"192.168.56.1", "0.0.0.0"}}, "192.168.1.5"},
      {{{"10.0.0.7", "10.0.0.1"}, {"192.168.1.5", "192.168.1.1"}, {"172.20.0.1", ""}},
       "192.168.1.5"},
      // A gateway does not make an unreachable address usable.
      {{{"192.168.1.5", ""}, {"169.254.1.1", "169.254.1.254"}}, "192.168.1.5"},
      // Malformed texts are passed over, as address and as gateway.
      {{{"192.168.1.5", ""},
        {"10.0.0.256", "10.0.0.1"},
        {"10.0.0", "10.0.0.1"},
        {"10.0.0.7 ", "10.0.0.1"},
        {"1.2.3.4", "1.2.3.x"}},
       "1.2.3.4"},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const auto& a : c.adapters) trace += "[" + a.address + " via " + a.gateway + "]";
    SCOPED_TRACE(trace);
    EXPECT_EQ(c.expected, ChooseAdapterAddress(c.adapters));
  }
}

TEST(AddressTextTest, ListsEveryUsableAddressOnceWithItsAdapter) {
  const struct {
    std::vector<AdapterRecord> adapters;
    std::vector<std::string> expected;  // "address name" in the system's order
  } cases[] = {
      {{}, {}},
      {{{"0.0.0.0", "", "Ethernet"},
        {"127.0.0.1", "", "Loopback"},
        {"169.254.7.8", "", "Wi-Fi"},
        {"10.0.0", "", "bad"}},
       {}},
      // A virtual switch without a gateway is still listed for the operator.
      {{{"192.168.1.5", "192.168.1.1", "Wi-Fi"},
        {"169.254.7.8", "", "Ethernet"},
        {"172.20.0.1", "", "vEthernet (WSL)"}},
       {"192.168.1.5 Wi-Fi", "172.20.0.1 vEthernet (WSL)"}},
      // The same address on two adapters is one entry: the first adapter's.
      {{{"10.0.0.7", "", "eth0"}, {"10.0.0.7", "10.0.0.1", "br0"}}, {"10.0.0.7 eth0"}},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const auto& a : c.adapters) trace += "[" + a.address + " " + a.name + "]";
    SCOPED_TRACE(trace);
    std::vector<std::string> listed;
    for (const UsableAddress& u : ListAdapterAddresses(c.adapters).usable) {
      listed.push_back(u.address + " " + u.adapter_name);
    }
    EXPECT_EQ(c.expected, listed);
  }
}

TEST(AddressTextTest, OperatorsChoiceStaysWhileItIsStillUsable) {
  const std::vector<AdapterRecord> home = {{"192.168.1.5", "192.168.1.1", "Wi-Fi"},
                                           {"172.20.0.1", "", "vEthernet"}};
  const std::vector<AdapterRecord> office = {{"10.8.0.20", "10.8.0.1", "Wi-Fi"},
                                             {"172.20.0.1", "", "vEthernet"}};
  const std::vector<AdapterRecord> unplugged = {{"169.254.3.4", "", "Wi-Fi"}};
  const struct {
    const char* choice;
    const std::vector<AdapterRecord>& adapters;
    const char* expected;
  } cases[] = {
      {"", home, "192.168.1.5"},
      {"", office, "10.8.0.20"},
      {"172.20.0.1", home, "172.20.0.1"},
      {"172.20.0.1", office, "172.20.0.1"},
      // The chosen address left with the old network: the automatic choice.
      {"192.168.1.5", office, "10.8.0.20"},
      {"192.168.1.5", unplugged, ""},
      // A choice that was never usable does not stick either.
      {"169.254.3.4", unplugged, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    EXPECT_EQ(c.expected, FollowAdapterAddress(c.choice, c.adapters));
  }
}

TEST(PhoneLandingTest, APhoneLandsWhereFilesCanBeSentWithTheCodeInTheAddress) {
  ServingOptions off;
  ServingOptions uploads;
  uploads.uploads = true;
  const struct {
    const char* what;
    const ServingOptions& options;
    bool root_lists;
    const char* base;
    const char* code;
    const char* expected;
  } cases[] = {
      {"no option", off, false, "http://10.0.0.2/", "", "http://10.0.0.2/"},
      {"the code", off, false, "http://192.168.1.5:8080/", "K7",
       "http://192.168.1.5:8080/?code=K7"},
      {"no final slash", off, false, "http://10.0.0.2", "K7", "http://10.0.0.2/?code=K7"},
      {"uploads, an index", uploads, false, "http://10.0.0.2:81/", "K7",
       "http://10.0.0.2:81/:upload?code=K7"},
      {"uploads, the listing holds the area", uploads, true, "http://10.0.0.2:81/", "K7",
       "http://10.0.0.2:81/?code=K7"},
      {"no host to lead to", uploads, false, "http:///", "K7", "http:///"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.expected,
              VisitorAddress(c.base, PhoneLandingPath(c.options, c.root_lists), c.code));
  }
}

TEST(QrModulesTest, GridIsRowByRowWithTheDarkModuleBesideTheLowerLeftFinder) {
  // Every QR code has one dark module at column 8, row size - 8 (beside the
  // lower-left finder); a grid read column by column has it at row 8, which
  // a decoder forgives (it reads mirrored codes) but a phone's camera app
  // may not. Texts of several lengths give several versions and masks.
  const std::string texts[] = {
      "http://10.0.0.7/",
      "http://192.168.1.5:8080/",
      "http://192.168.100.200:32767/",
      "http://172.16.254.1:1/" + std::string(20, 'a'),
      "http://10.1.2.3:8080/" + std::string(60, 'b'),
      std::string(300, 'c'),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::optional<QrModules> code = EncodeQr(text);
    ASSERT_TRUE(code.has_value());
    EXPECT_TRUE(code->IsDark(8, code->size - 8));
  }
  // Too long for any QR code: no code, and no exception.
  EXPECT_FALSE(EncodeQr(std::string(3000, 'd')).has_value());
}

}  // namespace
}  // namespace orvane
