# Writes the built-in crawler catalogue into a C++ source file as bytes, so that the program
# carries it without a file to install: cmake -DINPUT=crawlers.tsv -DOUTPUT=file.cpp -P this.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from engine/catalogue/crawlers.tsv; edit that file instead.\n"
  "#include \"catalogue/crawler_catalogue.h\"\n\n"
  "namespace crawlmeter {\nnamespace {\nconstexpr char kBuiltIn[] = {\n    ${bytes}'\\0'};\n}\n\n"
  "std::string_view builtInCatalogueText() { return {kBuiltIn, sizeof kBuiltIn - 1}; }\n\n"
  "}  // namespace crawlmeter\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
