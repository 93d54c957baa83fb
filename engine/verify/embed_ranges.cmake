# Writes the built-in crawler address ranges (every .json file of a folder) into a C++ source file
# as bytes, so that the program carries them without files to install:
# cmake -DFOLDER=engine/verify/ranges -DOUTPUT=file.cpp -P this.
file(GLOB inputs RELATIVE "${FOLDER}" "${FOLDER}/*.json")
list(SORT inputs)
set(arrays "")
set(rows "")
set(index 0)
foreach(name ${inputs})
  file(READ "${FOLDER}/${name}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "constexpr char kFile${index}[] = {\n    ${bytes}'\\0'};\n")
  string(APPEND rows "    {\"${name}\", {kFile${index}, sizeof kFile${index} - 1}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from engine/verify/ranges/*.json; edit those files instead.\n"
  "#include \"verify/crawler_ranges.h\"\n\n"
  "namespace crawlmeter {\nnamespace {\n${arrays}"
  "constexpr BuiltInRangeText kBuiltIn[] = {\n${rows}};\n}  // namespace\n\n"
  "std::span<const BuiltInRangeText> builtInRangeCopies() { return kBuiltIn; }\n\n"
  "}  // namespace crawlmeter\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
