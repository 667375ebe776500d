#include "http/upload/upload_page.h"

#include "http/core/page_text.h"
#include "http/upload/upload_pages.h"

namespace orvane {

std::string UploadArea() {
  return FillPage(pages::UploadAreaHtml(),
                  {{"style", pages::UploadAreaStyle()}, {"script", pages::UploadAreaScript()}});
}

std::string UploadPage() {
  const std::string area = UploadArea();
  return FillPage(pages::UploadPageHtml(), {{"body", area}});
}

std::string UploadResultPage(const StoredFiles& stored, std::string_view trouble) {
  std::string body = "<ul>\n";
  for (const StoredFile& file : stored.named()) {
    // 已收到 name (size)
    body.append("<li>").append("\xE5\xB7\xB2\xE6\x94\xB6\xE5\x88\xB0 ");
    AppendHtmlEscaped(body, file.name);
    body.append(" (").append(SizeText(file.size)).append(")</li>\n");
  }
  body.append("</ul>\n");
  if (stored.count() > stored.named().size()) {
    // 另有 N 个文件已收到 (N more files arrived)
    body.append("<p>\xE5\x8F\xA6\xE6\x9C\x89 ")
        .append(std::to_string(stored.count() - stored.named().size()))
        .append(" \xE4\xB8\xAA\xE6\x96\x87\xE4\xBB\xB6\xE5\xB7\xB2\xE6\x94\xB6\xE5\x88\xB0</p>\n");
  }
  if (stored.count() == 0)
    body.append("<p>")
        .append("\xE6\xB2\xA1\xE6\x9C\x89\xE6\x94\xB6\xE5\x88\xB0\xE6\x96\x87\xE4\xBB\xB6")
        .append("</p>\n");  // 没有收到文件
  if (!trouble.empty()) body.append("<p>").append(HtmlEscaped(trouble)).append("</p>\n");
  // 继续发送 (send more)
  body.append("<p><a href=\"")
      .append(kUploadPath)
      .append("\">\xE7\xBB\xA7\xE7\xBB\xAD\xE5\x8F\x91\xE9\x80\x81</a></p>\n");
  return FillPage(pages::UploadPageHtml(), {{"body", body}});
}

std::string UploadTroublePage(std::string_view trouble) {
  const std::string body = "<p>" + HtmlEscaped(trouble) + "</p>\n";
  return FillPage(pages::UploadPageHtml(), {{"body", body}});
}

}  // namespace orvane
