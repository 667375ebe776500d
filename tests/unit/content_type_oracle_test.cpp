// The common type table against the system's own list of media types,
// Debian's /etc/mime.types (package media-types).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "http/core/content_type.h"

namespace orvane {
namespace {

// Extension to type, as mime.types lists them ("type ext ext ...").
std::map<std::string, std::string> ReadMimeTypes(const std::string& file) {
  std::map<std::string, std::string> types;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string type;
    std::string extension;
    words >> type;
    while (words >> extension) types.emplace(extension, type);
  }
  return types;
}

TEST(ContentTypeOracleTest, CommonTableAgreesWithMimeTypes) {
  const std::map<std::string, std::string> system = ReadMimeTypes("/etc/mime.types");
  ASSERT_GT(system.size(), 500U) << "/etc/mime.types is missing or empty";
  // Extensions the list does not name, each with the reason it is in the table.
  const std::map<std::string, std::string> unnamed = {
      {"jeg", "this server has always typed it as a JPEG picture"},
      {"vbs", "this server has always sent scripts as plain text"},
  };
  for (std::string_view extension : CommonTypeExtensions()) {
    const std::string name(extension);
    SCOPED_TRACE(name);
    const std::string ours(ContentTypeForPath("x." + name, ContentTypes::kCommon));
    const auto listed = system.find(name);
    if (listed == system.end()) {
      EXPECT_EQ(1U, unnamed.count(name)) << "not in mime.types and not listed as an exception";
    } else {
      EXPECT_EQ(0U, unnamed.count(name)) << "an exception that mime.types now names";
      EXPECT_EQ(listed->second, ours);
    }
  }
}

}  // namespace
}  // namespace orvane
