# Writes the language files of this folder into one C++ source, so that the
# builder carries its built-in translations without reading files at run time.
#   cmake -DDIR=<this folder> -DOUT=<generated .cpp> -P embed.cmake
file(GLOB files RELATIVE ${DIR} ${DIR}/*.txt)
list(SORT files)
set(arrays "")
set(rows "")
set(index 0)
foreach(name IN LISTS files)
  file(READ ${DIR}/${name} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char k${index}[] = {\n    ${bytes}0};\n")
  string(APPEND rows "      {\"${name}\", reinterpret_cast<const char*>(k${index}), sizeof k${index} - 1},\n")
  math(EXPR index "${index} + 1")
endforeach()
set(text "// Generated from tools/builder/languages/*.txt by embed.cmake; do not edit.
#include \"builder/builtin_languages.h\"

namespace {
${arrays}}  // namespace

const std::vector<EmbeddedFile>& EmbeddedLanguageFiles() {
  static const std::vector<EmbeddedFile> files = {
${rows}  };
  return files;
}
")
file(WRITE ${OUT} "${text}")
