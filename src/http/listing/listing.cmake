# The folder listing: which entries a folder's page shows and the page
# itself (pure, with its page files), and the service's part that reads the
# folder (listing_read.cpp, built into orvane_service).
add_library(orvane_listing STATIC src/http/listing/folder_listing.cpp)
orvane_embed_pages(orvane_listing
  src/http/listing/listing.html ListingPage
  src/http/listing/listing.css ListingStyle
  src/http/listing/listing.js ListingScript)
target_link_libraries(orvane_listing PUBLIC orvane_core)
list(APPEND ORVANE_SERVICE_SOURCES src/http/listing/listing_read.cpp)
