#include "base/long_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orvane {
namespace {

struct LongPathCase {
  std::wstring root;
  std::wstring relative;
  std::optional<std::wstring> expected;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(LongPathTest, PrefixesConfinedPathsAndRefusesWhatWin32WouldHaveCleanedUp) {
  const std::nullopt_t refused = std::nullopt;
  // clang-format off
  const LongPathCase cases[] = {
      {L"C:\\site", L"\\a.txt", L"\\\\?\\C:\\site\\a.txt"},
      {L"C:\\site", L"\\dir\\a b.txt", L"\\\\?\\C:\\site\\dir\\a b.txt"},
      {L"C:\\", L"\\a.txt", L"\\\\?\\C:\\a.txt"},
      {L"C:\\", L"", L"\\\\?\\C:\\"},
      {L"C:\\site", L"", L"\\\\?\\C:\\site"},
      {L"d:\\site\\", L"\\a.txt", L"\\\\?\\d:\\site\\a.txt"},
      {L"\\\\server\\share", L"\\a.txt", L"\\\\?\\UNC\\server\\share\\a.txt"},
      {L"\\\\server\\share\\site\\", L"\\a.txt", L"\\\\?\\UNC\\server\\share\\site\\a.txt"},
      {L"\\\\?\\C:\\site", L"\\a.txt", L"\\\\?\\C:\\site\\a.txt"},
      {L"\\\\?\\UNC\\server\\share", L"\\a.txt", L"\\\\?\\UNC\\server\\share\\a.txt"},
      {L"\\\\.\\C:\\site", L"\\a.txt", L"\\\\.\\C:\\site\\a.txt"},
      // Trailing dots and spaces of the last name go, as the ordinary form drops them.
      {L"C:\\site", L"\\a.txt. .", L"\\\\?\\C:\\site\\a.txt"},
      {L"C:\\site", L"\\a.txt ", L"\\\\?\\C:\\site\\a.txt"},
      {L"C:\\site", L"\\...txt", L"\\\\?\\C:\\site\\...txt"},
      // Not a full path: a current folder would decide what it names.
      {L"site", L"\\a.txt", refused},
      {L"\\site", L"\\a.txt", refused},
      {L"C:site", L"\\a.txt", refused},
      {L"", L"\\a.txt", refused},
      {L"\\\\", L"\\a.txt", refused},
      // What the confinement resolves or refuses never gets through literally.
      {L"C:\\site", L"\\..\\secret.txt", refused},
      {L"C:\\site", L"\\dir\\..", refused},
      {L"C:\\site", L"\\.\\a.txt", refused},
      {L"C:\\site", L"\\dir\\\\a.txt", refused},
      {L"C:\\site", L"\\dir/a.txt", refused},
      {L"C:\\site", L"a.txt", refused},
      {L"C:\\site", L"\\a.txt\\", refused},
      {L"C:\\site", L"\\. .", refused},
      {L"C:\\site", L"\\dir.\\a.txt", refused},
      {L"C:\\site", L"\\dir \\a.txt", refused},
  };
  // clang-format on
  for (const LongPathCase& c : cases) {
    SCOPED_TRACE(Narrow(c.root) + " + " + Narrow(c.relative));
    EXPECT_EQ(c.expected, LongPathForm(c.root, c.relative));
  }
}

}  // namespace
}  // namespace orvane
