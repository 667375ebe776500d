# Web pages are files of the repository (HTML, CSS, JavaScript), turned into
# bytes of the program by the build.
# orvane_embed_pages(TARGET FILE SYMBOL [FILE SYMBOL ...]): each FILE (a path
# under the source folder) becomes the function orvane::pages::SYMBOL(),
# returning its bytes as a std::string_view, compiled into TARGET. A header
# of the feature's own declares the functions.
function(orvane_embed_pages target)
  set(args ${ARGN})
  while(args)
    list(POP_FRONT args file symbol)
    set(in "${PROJECT_SOURCE_DIR}/${file}")
    set(out "${PROJECT_BINARY_DIR}/pages/${symbol}.cpp")
    add_custom_command(OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${out} -DSYMBOL=${symbol} -DNAME=${file}
              -P "${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake"
      DEPENDS "${in}" "${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake"
      COMMENT "Embedding ${file}" VERBATIM)
    target_sources(${target} PRIVATE "${out}")
  endwhile()
endfunction()
