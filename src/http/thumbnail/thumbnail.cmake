# Thumbnails of the site's pictures: the pure rules (sizes, orientation,
# headers, names, the store, the replies, with the busy page's file), the
# system's codecs behind platform/image_codec.h, the maker that joins them,
# and the service's part (thumbnail_serve.cpp, built into orvane_service:
# a thumbnail's request and a folder page's tiles).
add_library(orvane_thumbnail_rules STATIC
  src/http/thumbnail/fit.cpp
  src/http/thumbnail/orientation.cpp
  src/http/thumbnail/picture_header.cpp
  src/http/thumbnail/thumbnail_names.cpp
  src/http/thumbnail/shrink.cpp
  src/http/thumbnail/thumbnail_store.cpp
  src/http/thumbnail/thumbnail_reply.cpp
)
orvane_embed_pages(orvane_thumbnail_rules src/http/thumbnail/busy.html ThumbnailBusyPage)
target_link_libraries(orvane_thumbnail_rules PUBLIC orvane_core)

if(WIN32)
  # The Windows Imaging Component and the shell are part of Windows: only
  # their import libraries are linked (uuid: the interfaces' IDs).
  add_library(orvane_image_codec STATIC
    src/platform/win32/image_codec_win32.cpp
    src/platform/win32/file_stream.cpp
  )
  target_link_libraries(orvane_image_codec PUBLIC orvane_platform windowscodecs ole32 shell32 uuid)
else()
  # Debian's libjpeg-turbo and libpng (libjpeg62-turbo-dev, libpng-dev).
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  add_library(orvane_image_codec STATIC src/platform/posix/image_codec_posix.cpp)
  target_link_libraries(orvane_image_codec PUBLIC orvane_platform PRIVATE JPEG::JPEG PNG::PNG)
endif()

add_library(orvane_thumbnail STATIC src/http/thumbnail/thumbnail_maker.cpp)
target_link_libraries(orvane_thumbnail PUBLIC orvane_thumbnail_rules orvane_image_codec)
list(APPEND ORVANE_SERVICE_SOURCES src/http/thumbnail/thumbnail_serve.cpp)
