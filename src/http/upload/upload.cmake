# Uploads: the multipart reader, the resumable protocol's rules, the names
# files are stored under and the upload pages (pure, with their page files),
# and the service's part that receives a form or a resumable upload into the
# upload folder (upload_form.cpp, resumable_store.cpp, resumable.cpp, built
# into orvane_service).
add_library(orvane_upload STATIC
  src/http/upload/multipart.cpp
  src/http/upload/resumable_rules.cpp
  src/http/upload/upload_name.cpp
  src/http/upload/upload_page.cpp
)
orvane_embed_pages(orvane_upload
  src/http/upload/upload_area.html UploadAreaHtml
  src/http/upload/upload_area.css UploadAreaStyle
  src/http/upload/upload_area.js UploadAreaScript
  src/http/upload/upload_page.html UploadPageHtml)
target_link_libraries(orvane_upload PUBLIC orvane_core)
list(APPEND ORVANE_SERVICE_SOURCES src/http/upload/upload_form.cpp
  src/http/upload/resumable_store.cpp src/http/upload/resumable.cpp)
