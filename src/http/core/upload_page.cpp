#include "http/core/upload_page.h"

#include "http/core/folder_listing.h"

namespace orvane {

namespace {

// The area's own look, scoped to it, so it sits as well on the listing page
// as on a page of its own: boxes and the button a finger's height.
constexpr std::string_view kAreaStyle =
    ":root{color-scheme:light dark}#up{padding:12px 16px;border-bottom:1px solid #ccc}#up "
    "h2{font-size:1.1em;margin:0 0 8px}#up input,#up "
    "button{font:inherit;display:block;width:100%;box-sizing:border-box;min-height:48px;margin:0 0 "
    "8px}#up progress{display:block;width:100%;height:12px}#up ul{list-style:none;margin:8px 0 "
    "0;padding:0}#up li{padding:6px 0;overflow-wrap:anywhere}";

// 发送文件到这台电脑 (send files to this computer); the form works without
// the script too, and answers with a page of what arrived.
constexpr std::string_view kAreaForm =
    "<section "
    "id=\"up\">\n<h2>"
    "\xE5\x8F\x91\xE9\x80\x81\xE6\x96\x87\xE4\xBB\xB6\xE5\x88\xB0\xE8\xBF\x99\xE5\x8F\xB0\xE7\x94"
    "\xB5\xE8\x84\x91</h2>\n<form method=\"post\" enctype=\"multipart/form-data\" "
    "action=\"/:upload\">\n<input type=\"file\" name=\"f\" "
    "multiple>\n<button>\xE5\x8F\x91\xE9\x80\x81</button>\n</form>\n<progress id=\"all\" max=\"1\" "
    "value=\"0\" hidden></progress>\n<ul id=\"files\"></ul>\n</section>\n";

// With the script each file goes in a request of its own, so each has its
// bar and its line (已收到 / 未能收到: arrived / did not arrive), and the
// whole its bar.
constexpr std::string_view kAreaScript =
    "(function(){var f=document.querySelector('#up "
    "form');if(!f||!window.FormData)return;f.onsubmit=function(e){var "
    "files=f.elements.f.files;if(!files.length)return;e.preventDefault();var "
    "list=document.getElementById('files'),all=document.getElementById('all'),total=0,done=0,i=0;"
    "for(var "
    "k=0;k<files.length;k++)total+=files[k].size;all.max=total||1;all.value=0;all.hidden=false;"
    "function next(){if(i>=files.length){f.reset();return;}var file=files[i++];var "
    "li=document.createElement('li'),bar=document.createElement('progress');li.textContent=file."
    "name;bar.max=file.size||1;bar.value=0;li.appendChild(bar);list.appendChild(li);var x=new "
    "XMLHttpRequest();x.open('POST',f.action);x.upload.onprogress=function(ev){bar.value=ev.loaded;"
    "all.value=done+ev.loaded;};x.onload=function(){done+=file.size;all.value=done;li.textContent=("
    "x.status==200?'\xE5\xB7\xB2\xE6\x94\xB6\xE5\x88\xB0 "
    "':'\xE6\x9C\xAA\xE8\x83\xBD\xE6\x94\xB6\xE5\x88\xB0 "
    "')+file.name;next();};x.onerror=function(){li.textContent='"
    "\xE6\x9C\xAA\xE8\x83\xBD\xE6\x94\xB6\xE5\x88\xB0 '+file.name;next();};var d=new "
    "FormData();d.append('f',file);x.send(d);}next();};})();";

std::string PageOf(std::string_view body) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
  page.append(
      "\xE5\x8F\x91\xE9\x80\x81\xE6\x96\x87\xE4\xBB\xB6\xE5\x88\xB0\xE8\xBF\x99\xE5\x8F\xB0\xE7\x94"
      "\xB5\xE8\x84\x91");  // 发送文件到这台电脑
  page.append(
      "</title>\n<style>body{margin:0;font:16px/1.4 system-ui,sans-serif}"
      "p,ul{margin:0;padding:12px 16px}</style>\n</head>\n<body>\n");
  page.append(body).append("</body>\n</html>\n");
  return page;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string UploadArea() {
  std::string area = "<style>";
  area.append(kAreaStyle).append("</style>\n").append(kAreaForm);
  area.append("<script>").append(kAreaScript).append("</script>\n");
  return area;
}

std::string UploadPage() { return PageOf(UploadArea()); }

std::string UploadResultPage(const std::vector<StoredFile>& stored, std::string_view trouble) {
  std::string body = "<ul>\n";
  for (const StoredFile& file : stored) {
    // 已收到 name (size)
    body.append("<li>").append("\xE5\xB7\xB2\xE6\x94\xB6\xE5\x88\xB0 ").append(Escaped(file.name));
    body.append(" (").append(SizeText(file.size)).append(")</li>\n");
  }
  body.append("</ul>\n");
  if (stored.empty())
    body.append("<p>")
        .append("\xE6\xB2\xA1\xE6\x9C\x89\xE6\x94\xB6\xE5\x88\xB0\xE6\x96\x87\xE4\xBB\xB6")
        .append("</p>\n");  // 没有收到文件
  if (!trouble.empty()) body.append("<p>").append(Escaped(trouble)).append("</p>\n");
  // 继续发送 (send more)
  body.append("<p><a href=\"/:upload\">")
      .append("\xE7\xBB\xA7\xE7\xBB\xAD\xE5\x8F\x91\xE9\x80\x81")
      .append("</a></p>\n");
  return PageOf(body);
}

std::string UploadTroublePage(std::string_view trouble) {
  return PageOf("<p>" + Escaped(trouble) + "</p>\n");
}

}  // namespace orvane
