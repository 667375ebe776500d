# The access code: who is let in, and whether a request that writes comes
# from a page of this server (pure, with the refusal page's file).
add_library(orvane_access STATIC src/http/access/access_code.cpp src/http/access/origin.cpp)
orvane_embed_pages(orvane_access src/http/access/refusal.html RefusalPage)
target_link_libraries(orvane_access PUBLIC orvane_core)
