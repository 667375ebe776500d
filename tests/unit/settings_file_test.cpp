// The remembered settings' file: what a damaged or hostile file is read as,
// and the values written coming back the same.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "front/option_table.h"
#include "front/settings_file.h"

namespace orvane {
namespace {

const std::string kChineseFolder = "D:\\\xE7\xBD\x91\xE7\xAB\x99";  // D:\网站 in UTF-8

bool Exists(const std::string& path) {
  static const std::set<std::string> kFolders = {"C:\\site", kChineseFolder, "E:\\in"};
  return kFolders.count(path) != 0;
}

// "PORT FOLDER LT|problems|N": the port, the folder, the letters of the
// switches on (L T C U) and the upload folder, the problems as key:fault,
// and the number of lines not understood.
std::string Describe(const SettingsReading& reading) {
  const RememberedSettings& s = reading.settings;
  std::string text = std::to_string(s.port) + " " + s.site_folder + " ";
  const char letters[] = "LTCU";
  for (std::size_t row = 0; row < 4; ++row) {
    if (s.options.*(kOptionRows[row].field)) text += letters[row];
  }
  text += "=" + s.options.upload_folder + "|";
  const char* const kFaults[] = {"large", "utf8", "type", "range", "gone", "again"};
  for (const SettingsProblem& p : reading.problems) {
    text += p.key + ":" + kFaults[static_cast<int>(p.fault)] + " ";
  }
  return text + "|" + std::to_string(reading.lines_not_understood);
}

TEST(SettingsFileTest, ReadsWhatIsSoundAndNamesWhatFellBack) {
  const std::string junk(10 * 1024 * 1024, 'x');
  const struct {
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"", "80  =||0"},
      {"[OrvaneServer]\r\nport=8080\r\nfolder=C:\\site\r\nlist=1\r\ntypes=1\r\n",
       "8080 C:\\site LT=||0"},
      // LF, CR, a byte order mark, blanks, comments, keys in any case.
      {"port=8080\nfolder=C:\\site\n", "8080 C:\\site =||0"},
      {"port=8080\rfolder=C:\\site\r", "8080 C:\\site =||0"},
      {"\xEF\xBB\xBF; note\r\n# note\r\n\r\n  PORT = 81 \r\n[orvaneserver]\r\nTypes=1",
       "81  T=||0"},
      {"folder=" + kChineseFolder + "\r\nupload_folder=E:\\in\r\nupload=1",
       "80 " + kChineseFolder + " CU=E:\\in||0"},
      // Notepad's "Unicode" (UTF-16) is no text of ours.
      {std::string("\xFF\xFEp\0o\0r\0t\0=\0"
                   "9\0",
                   14),
       "80  =|:utf8 |0"},
      // Wrong types and ports out of range.
      {"port=abc\nlist=yes\ntypes=2\ncode=", "80  =|port:type list:type types:type code:type |0"},
      {"port=0", "80  =|port:range |0"},
      {"port=70000", "80  =|port:range |0"},
      {"port=32768", "80  =|port:range |0"},
      {"port=-1", "80  =|port:type |0"},
      {"port=99999999999999999999", "80  =|port:range |0"},
      {"port=00080", "80  =||0"},
      {"port=32767", "32767  =||0"},
      // Folders that are gone, not UTF-8 (GBK bytes) or hold a control.
      {"folder=C:\\gone\nupload_folder=", "80  =|folder:gone upload_folder:gone |0"},
      {"folder=D:\\\xCD\xF8\xD5\xBE", "80  =|folder:utf8 |0"},
      {"folder=C:\\si\x01te", "80  =|folder:type |0"},
      // The first of repeated keys counts, named once however often.
      {"port=8080\nport=9090\nport=1\nPort=2", "8080  =|port:again |0"},
      // Uploads keep the access code on, whatever the file says.
      {"code=0\nupload=1", "80  CU=||0"},
      // Other sections, unknown keys and lines without "=" are counted.
      {"[Other]\nport=1\n[OrvaneServer]\nport=2\nhello\nname=x\n[OrvaneServer\nlist=1", "2  =||4"},
      // 10 MB: the first 256 KiB, whole lines only, are read.
      {"port=8080\n" + junk, "8080  =|:large |0"},
      {"port=8080\n" + std::string(300000, '\n') + "list=1", "8080  =|:large |0"},
      {"port=8080\nx\n" + junk, "8080  =|:large |1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 60));
    EXPECT_EQ(c.expected, Describe(ReadSettingsFile(c.bytes, Exists)));
  }
}

TEST(SettingsFileTest, WritesTheSameValuesBack) {
  const auto settings = [](std::int16_t port, std::string folder, const char* on,
                           std::string upload_folder) {
    RememberedSettings s;
    s.port = port;
    s.site_folder = std::move(folder);
    for (const char* name = on; *name != '\0'; ++name) {
      const std::size_t row = std::string("LTCU").find(*name);
      s.options = WithOption(s.options, row, true);
    }
    s.options.upload_folder = std::move(upload_folder);
    return s;
  };
  const RememberedSettings cases[] = {
      settings(80, "", "", ""),
      settings(8080, kChineseFolder, "LT", "E:\\\xE6\x94\xB6\xE4\xBB\xB6"),  // E:\收件
      settings(32767, "\\\\server\\share\\a=b ; c", "CU", "C:\\Users\\me\\Downloads"),
      settings(1, "C:\\\xC3\x9C\xF0\x9F\x98\x80", "LTCU", ""),  // C:\Ü😀
  };
  for (const RememberedSettings& s : cases) {
    const std::string text = SettingsFileText(s);
    SCOPED_TRACE(text);
    const SettingsReading back = ReadSettingsFile(text, [](const std::string&) { return true; });
    EXPECT_TRUE(back.problems.empty());
    EXPECT_EQ(0u, back.lines_not_understood);
    EXPECT_EQ(s.port, back.settings.port);
    EXPECT_EQ(s.site_folder, back.settings.site_folder);
    for (const OptionRow& row : kOptionRows) {
      if (row.field != nullptr) {
        EXPECT_EQ(s.options.*(row.field), back.settings.options.*(row.field));
      }
    }
    EXPECT_EQ(s.options.upload_folder, back.settings.options.upload_folder);
    EXPECT_EQ(text, SettingsFileText(back.settings));
  }
}

TEST(SettingsFileTest, OneLogLineNamesEveryProblem) {
  EXPECT_EQ("", SettingsProblemsLine(ReadSettingsFile("port=8080", Exists), "C:\\a.ini"));
  // 记住的设置（C:\a.ini）中有些内容无法使用，已改用默认值：port 端口不在 1 到 32767
  // 之间；folder 文件夹不存在；1 行无法识别。
  EXPECT_EQ(
      "\xBC\xC7\xD7\xA1\xB5\xC4\xC9\xE8\xD6\xC3\xA3\xA8"
      "C:\\a.ini\xA3\xA9\xD6\xD0\xD3\xD0\xD0"
      "\xA9\xC4\xDA\xC8\xDD\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xA3\xAC\xD2\xD1\xB8\xC4\xD3\xC3\xC4"
      "\xAC\xC8\xCF\xD6\xB5\xA3\xBAport \xB6\xCB\xBF\xDA\xB2\xBB\xD4\xDA 1 \xB5\xBD 32767 \xD6"
      "\xAE\xBC\xE4\xA3\xBB"
      "folder \xCE\xC4\xBC\xFE\xBC\xD0\xB2\xBB\xB4\xE6\xD4\xDA\xA3\xBB"
      "1 \xD0\xD0\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0\xA1\xA3\r\n",
      SettingsProblemsLine(ReadSettingsFile("port=0\nfolder=C:\\x\nhello", Exists), "C:\\a.ini"));
}

}  // namespace
}  // namespace orvane
