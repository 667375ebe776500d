#include "http/upload/upload_name.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

std::string Many(std::size_t count, std::string_view piece) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

const std::string kZhao = "\xE7\x85\xA7";  // one Chinese character, three bytes

TEST(UploadNameTest, SafeUploadNameMakesAPlainVisibleNameOfAnyInput) {
  const struct {
    std::string sent;
    std::string stored;
  } cases[] = {
      {"photo.jpg", "photo.jpg"},
      {kZhao + " 2024.jpg", kZhao + " 2024.jpg"},
      {"C:\\Users\\me\\photo.jpg", "C__Users_me_photo.jpg"},  // "\\" is no separator
      {"dir\\photo.jpg", "dir_photo.jpg"},
      {"name\\", "name_"},
      {"../../etc/passwd", "passwd"},
      {"a/b\\c.txt", "b_c.txt"},
      {"folder/", "upload"},
      {"bad\xFF\xFEname.jpg", "bad__name.jpg"},
      {"\xE7\x85", "__"},               // a character cut short
      {"\xC0\xAF.txt", "__.txt"},       // an overlong "/"
      {"\xED\xA0\x80.txt", "___.txt"},  // a surrogate
      {"a<b>c:d\"e|f?g*h.txt", "a_b_c_d_e_f_g_h.txt"},
      {"tab\there\x01\x7F.txt", "tab_here__.txt"},
      {"\xC2\x85x", "_x"},                                // C1 control
      {"invoice\xE2\x80\xAEgpj.exe", "invoice_gpj.exe"},  // right-to-left override
      {std::string("nul\0.txt", 8), "nul_.txt"},
      {"name. . .", "name"},
      {"name.txt  ", "name.txt"},
      {".bashrc", "_bashrc"},
      {".hidden.", "_hidden"},
      {"", "upload"},
      {".", "upload"},
      {"..", "upload"},
      {" . ", "upload"},
      {"CON", "_CON"},
      {"con.txt", "_con.txt"},
      {"Com1.jpg", "_Com1.jpg"},
      {"LPT9", "_LPT9"},
      {"COM0", "_COM0"},
      {"lpt0.txt", "_lpt0.txt"},
      {"nul.tar.gz", "_nul.tar.gz"},
      {"CON .", "_CON"},
      {"CONSOLE.txt", "CONSOLE.txt"},
      {"COM10", "COM10"},
      {Many(250, "a") + ".jpg", Many(196, "a") + ".jpg"},
      {Many(70, kZhao) + ".jpg", Many(65, kZhao) + ".jpg"},  // cut between characters
      {Many(300, "x"), Many(200, "x")},
      {"aa." + Many(250, "b"), "aa." + Many(197, "b")},  // a long extension is cut with the rest
      {Many(199, "a") + "  zzz", Many(199, "a")},        // no space left at the end of the cut
      {Many(250, "a") + ".jpg.", Many(196, "a") + ".jpg"},
      {"CON." + Many(300, "x"), "_CON." + Many(195, "x")},
      {"CON" + Many(300, " ") + "x", "_CON"},  // the cut makes a device name
  };
  for (const auto& c : cases) EXPECT_EQ(c.stored, SafeUploadName(c.sent)) << c.sent;
}

TEST(UploadNameTest, FreeNameCandidateNumbersBeforeTheExtension) {
  const struct {
    std::string name;
    int n;
    std::string candidate;
  } cases[] = {
      {"x.jpg", 0, "x.jpg"},
      {"x.jpg", 1, "x (1).jpg"},
      {"x.jpg", 12, "x (12).jpg"},
      {"archive.tar.gz", 1, "archive.tar (1).gz"},
      {"README", 2, "README (2)"},
      {"_bashrc", 1, "_bashrc (1)"},
      {"a.extension-too-long", 1, "a.extension-too-long (1)"},
      {Many(196, "a") + ".jpg", 1, Many(192, "a") + " (1).jpg"},
      {Many(65, kZhao) + ".jpg", 10, Many(63, kZhao) + " (10).jpg"},
      {Many(200, "x"), 3, Many(196, "x") + " (3)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.candidate, FreeNameCandidate(c.name, c.n)) << c.name << " " << c.n;
  }
}

}  // namespace
}  // namespace orvane
