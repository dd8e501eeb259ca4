# The layers are held by the build: each library of src/ sees the headers of its own folder and
# of the libraries it links, and no others. Its public include folder is a folder of its own in
# the build tree holding one link, to its source folder; a library that includes a header of a
# layer above it (or beside it) fails to compile. tests/layers proves that this can fail.
function(tolmix_layer target folder)
  set(view ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${view})
  if(NOT IS_SYMLINK ${view}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
