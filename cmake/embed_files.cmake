# Turns the page's files into a C++ source of byte arrays, so the tool
# carries its page inside and needs nothing beside it. Run at build time:
#   cmake -DOUTPUT=web_files.cpp -DFOLDER=web -DFILES=index.html,app.js -P embed_files.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(entries "")
set(arrays "")
set(n 0)
foreach(name ${FILES})
  file(READ ${FOLDER}/${name} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kFile${n}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"/${name}\", kFile${n}, ${size}},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Made at build time from the web folder; not edited by hand.\n#include \"serve/web_files.h\"\n\nnamespace vezuved_cli {\nnamespace {\n${arrays}}  // namespace\n\nconst WebFile kWebFiles[] = {\n${entries}};\nconst size_t kWebFileCount = ${n};\n\n}  // namespace vezuved_cli\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
