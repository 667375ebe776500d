# Archives: a folder, or the ticked entries of it, as one ZIP made while it
# is sent. The pure rules (records, layout, form, names, CRC) with the
# pages, the parts that read the disk (the walk, the body, the CRC cache),
# and the service's part that answers the address.
add_library(orvane_archive_core STATIC
  src/http/archive/crc32.cpp
  src/http/archive/zip_records.cpp
  src/http/archive/archive_layout.cpp
  src/http/archive/ticked_names.cpp
  src/http/archive/download_name.cpp
)
orvane_embed_pages(orvane_archive_core
  src/http/archive/archive_busy.html ArchiveBusyPage
  src/http/archive/archive_too_many.html ArchiveTooManyPage
  src/http/archive/archive_form.html ArchiveFormPage)
target_link_libraries(orvane_archive_core PUBLIC orvane_core orvane_listing)

add_library(orvane_archive STATIC
  src/http/archive/archive_walk.cpp
  src/http/archive/archive_body.cpp
  src/http/archive/crc_cache.cpp
)
target_link_libraries(orvane_archive PUBLIC orvane_archive_core orvane_platform)
# The service's part: the address answered with the archive, built into
# orvane_service.
list(APPEND ORVANE_SERVICE_SOURCES src/http/archive/archive_reply.cpp)

if(WIN32)
  # The Windows program is held to 800 KiB (./x dist). This code waits on
  # the disk and the network; its one loop that counts, the CRC's folding,
  # runs as fast built for size, and the program is 29 KiB smaller.
  target_compile_options(orvane_archive_core PRIVATE -Os)
  target_compile_options(orvane_archive PRIVATE -Os)
  set_source_files_properties(src/http/archive/archive_reply.cpp PROPERTIES COMPILE_OPTIONS -Os)
endif()
