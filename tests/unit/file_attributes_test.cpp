// What a listing makes of what Windows found in a folder, with the system's
// own attribute and tag values; and the log line of a cloud file.
#include <gtest/gtest.h>

#include "base/file_attributes.h"
#include "http/core/cloud_log_line.h"

namespace orvane {
namespace {

constexpr std::uint32_t kFile = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
constexpr std::uint32_t kLink = kAttributeReparsePoint;

TEST(FileAttributesTest, ClassifiesFoundEntriesByAttributesAndReparseTag) {
  // clang-format off
  const struct { const char* what; std::uint32_t attributes, tag; FoundKind kind; } cases[] = {
      {"file", kFile, 0, FoundKind::kFile},
      {"a tag without the reparse attribute", kFile, kReparseTagAfUnix, FoundKind::kFile},
      {"file symlink", kLink | kFile, kReparseTagSymlink, FoundKind::kFollowLink},
      {"junction", kLink | kAttributeDirectory, kReparseTagMountPoint, FoundKind::kFollowLink},
      {"AF_UNIX socket", kLink | kFile, kReparseTagAfUnix, FoundKind::kLeaveOut},
      {"WSL FIFO", kLink, kReparseTagLxFifo, FoundKind::kLeaveOut},
      {"WSL character device", kLink, kReparseTagLxCharDevice, FoundKind::kLeaveOut},
      {"WSL block device", kLink, kReparseTagLxBlockDevice, FoundKind::kLeaveOut},
      {"app execution alias", kLink | kFile, kReparseTagAppExecLink, FoundKind::kLeaveOut},
      {"OneDrive file", kLink | kAttributeRecallOnDataAccess, kReparseTagCloud, FoundKind::kFile},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.kind, ClassifyFoundEntry(c.attributes, c.tag));
  }
}

TEST(FileAttributesTest, HidesWhatExplorerHides) {
  for (const std::uint32_t hidden : {kAttributeHidden, kAttributeHidden | kAttributeSystem}) {
    EXPECT_TRUE(HiddenFromExplorer(hidden | kAttributeDirectory));
    EXPECT_TRUE(HiddenFromExplorer(hidden | kFile));
  }
  EXPECT_FALSE(HiddenFromExplorer(kAttributeSystem | kFile));  // shown by Explorer
  EXPECT_FALSE(HiddenFromExplorer(kAttributeSystem | kAttributeDirectory));
}

TEST(FileAttributesTest, CloudPlaceholdersAreOfflineOrRecalledOnOpenOrOnDataAccess) {
  for (const std::uint32_t cloud :
       {kAttributeOffline, kAttributeRecallOnOpen, kAttributeRecallOnDataAccess}) {
    EXPECT_TRUE(IsCloudPlaceholder(cloud | kLink | kFile));
  }
  EXPECT_FALSE(IsCloudPlaceholder(kLink | kFile));  // a OneDrive file kept on this machine
}

TEST(CloudFetchLogLineTest, SaysInGbkThatThePathComesFromTheCloud) {
  // 正在从云端下载文件到本机:
  const std::string prefix =
      "\xD5\xFD\xD4\xDA\xB4\xD3\xD4\xC6\xB6\xCB\xCF\xC2\xD4\xD8\xCE\xC4\xBC\xFE\xB5\xBD\xB1\xBE"
      "\xBB\xFA:";
  // (最长等待 N 秒): the first read's limit, in whole seconds rounded up.
  const std::string wait = " (\xD7\xEE\xB3\xA4\xB5\xC8\xB4\xFD ";
  EXPECT_EQ(prefix + "/v/%E8%A7%86.mp4" + wait + "60 \xC3\xEB)\r\n",
            CloudFetchLogLine("/v/%E8%A7%86.mp4", 60000));
  EXPECT_EQ(prefix + "/a" + wait + "61 \xC3\xEB)\r\n", CloudFetchLogLine("/a", 60001));
}

}  // namespace
}  // namespace orvane
