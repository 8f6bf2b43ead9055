# Turns the checks' explanations (DIR/NAME.txt) into rows {"NAME", "text"}
# of a header that the program includes, so that it carries them:
#   cmake -DDIR=<directory> -DOUT=<header> -P EmbedProse.cmake
file(GLOB files "${DIR}/*.txt")
list(SORT files)
set(rows "// Made from ${DIR} by cmake/EmbedProse.cmake.\n")
foreach(file IN LISTS files)
  get_filename_component(name "${file}" NAME_WE)
  file(READ "${file}" text)
  string(APPEND rows "{\"${name}\", R\"tarnwell(${text})tarnwell\"},\n")
endforeach()
file(WRITE "${OUT}" "${rows}")
