// The Windows adapter query over stand-ins for GetAdaptersInfo and
// GetAdaptersAddresses, so that a list that grows between the calls (as it
// does while an adapter comes up) can be made on demand: Wine's own lists
// never change during a test.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "platform/win32/adapters_win32.h"

namespace orvane::platform {
namespace {

// One of the two lists the stand-ins report.
struct FakeList {
  ULONG count = 2;  // records in the list now
  int growths = 0;  // calls with a buffer that find the list grown past that buffer
  int calls = 0;
};

struct FakeSystem {
  FakeList info;
  FakeList addresses;
  std::deque<std::string> texts;  // what the records point to
  std::deque<std::wstring> wide_texts;
};

FakeSystem* g_fake = nullptr;  // the system of the test that runs

// The list's count after one more call with `size` bytes; false when the
// call must report ERROR_BUFFER_OVERFLOW (with *size set to what it needs).
template <typename Record>
bool Fits(FakeList& list, Record* buffer, PULONG size) {
  ++list.calls;
  if (buffer != nullptr && list.growths > 0) {
    --list.growths;
    list.count = std::max<ULONG>(list.count, *size / sizeof(Record) + 2);
  }
  const ULONG needed = list.count * sizeof(Record);
  if (buffer != nullptr && *size >= needed) return true;
  *size = needed;
  return false;
}

ULONG WINAPI FakeAdaptersInfo(PIP_ADAPTER_INFO buffer, PULONG size) {
  if (!Fits(g_fake->info, buffer, size)) return ERROR_BUFFER_OVERFLOW;
  for (ULONG i = 0; i < g_fake->info.count; ++i) {
    IP_ADAPTER_INFO& record = buffer[i];
    record = IP_ADAPTER_INFO{};
    record.Next = i + 1 < g_fake->info.count ? &buffer[i + 1] : nullptr;
    const std::string n = std::to_string(i);
    snprintf(record.AdapterName, sizeof record.AdapterName, "{%s}", n.c_str());
    snprintf(record.Description, sizeof record.Description, "Adapter %s", n.c_str());
    snprintf(record.IpAddressList.IpAddress.String, sizeof record.IpAddressList.IpAddress.String,
             "10.0.%s.5", n.c_str());
    snprintf(record.GatewayList.IpAddress.String, sizeof record.GatewayList.IpAddress.String,
             "10.0.%s.1", n.c_str());
  }
  return NO_ERROR;
}

ULONG WINAPI FakeAdaptersAddresses(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES buffer, PULONG size) {
  if (!Fits(g_fake->addresses, buffer, size)) return ERROR_BUFFER_OVERFLOW;
  for (ULONG i = 0; i < g_fake->addresses.count; ++i) {
    IP_ADAPTER_ADDRESSES& record = buffer[i];
    record = IP_ADAPTER_ADDRESSES{};
    record.Next = i + 1 < g_fake->addresses.count ? &buffer[i + 1] : nullptr;
    record.AdapterName = g_fake->texts.emplace_back("{" + std::to_string(i) + "}").data();
    record.FriendlyName = g_fake->wide_texts.emplace_back(L"Net " + std::to_wstring(i)).data();
  }
  return NO_ERROR;
}

TEST(AdapterQueryTest, ReadsTheListAgainWhenItGrewSinceItsSizeWasLearnt) {
  const struct {
    const char* what;
    int info_growths;
    int addresses_growths;
    bool listed;
  } cases[] = {
      {"nothing changes", 0, 0, true},
      {"the adapter list grows before the real call", 1, 0, true},
      {"it grows once more before the next call", 2, 0, true},
      {"the list of names grows", 0, 1, true},
      // A list that never settles gives no adapters, after a bounded wait.
      {"the adapter list grows at every call", 1000, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem fake;
    fake.info.growths = c.info_growths;
    fake.addresses.growths = c.addresses_growths;
    g_fake = &fake;
    const std::vector<AdapterRecord> records =
        QueryAdaptersFrom(AdapterSource{FakeAdaptersInfo, FakeAdaptersAddresses});
    g_fake = nullptr;

    std::vector<std::string> got;
    for (const AdapterRecord& r : records)
      got.push_back(r.address + " " + r.gateway + " " + r.name);
    std::vector<std::string> expected;
    for (ULONG i = 0; c.listed && i < fake.info.count; ++i) {
      const std::string n = std::to_string(i);
      expected.push_back("10.0." + n + ".5 10.0." + n + ".1 " +
                         (i < fake.addresses.count ? "Net " : "Adapter ") + n);
    }
    EXPECT_EQ(expected, got);
    EXPECT_LE(fake.info.calls, 10);
  }
}

}  // namespace
}  // namespace orvane::platform
