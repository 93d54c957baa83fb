# Writes the translations of a .po file into a C++ table for ChineseWording, so that the window and
# the Windows command carry them without gettext: cmake -DINPUT=zh_CN.po -DOUTPUT=file.cpp -P this.
# A .po string is a C string literal already, and is copied as it is; ';', '[' and ']', which CMake's
# lists would take apart, are written as octal escapes first. Fuzzy and untranslated entries are
# left out, as msgfmt leaves them out of the .mo.
file(READ "${INPUT}" po)
string(REPLACE ";" "\\073" po "${po}")
string(REPLACE "[" "\\133" po "${po}")
string(REPLACE "]" "\\135" po "${po}")
string(REPLACE "\n" ";" lines "${po}")

set(entries "")
set(state none)
set(fuzzy FALSE)
# Ends the entry read so far, if any: the comments before a msgid belong to the next one.
macro(flush_entry)
  if(state STREQUAL "msgstr")
    if(NOT id STREQUAL "" AND NOT str STREQUAL "" AND NOT fuzzy)
      string(APPEND entries "    {\"${id}\",\n     \"${str}\"},\n")
    endif()
    set(state none)
    set(fuzzy FALSE)
  endif()
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line MATCHES "^msgid ")
    flush_entry()
  endif()
  if(line MATCHES "^#,.*fuzzy")
    set(fuzzy TRUE)
  elseif(line MATCHES "^msgid \"(.*)\"$")
    set(state msgid)
    set(id "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^msgstr \"(.*)\"$")
    set(state msgstr)
    set(str "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\"(.*)\"$")
    if(state STREQUAL "msgid")
      string(APPEND id "${CMAKE_MATCH_1}")
    elseif(state STREQUAL "msgstr")
      string(APPEND str "${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()
flush_entry()

file(WRITE "${OUTPUT}.tmp"
  "// Generated from po/zh_CN.po by po/embed_wording.cmake; edit that file instead.\n"
  "#include <cstring>\n\n"
  "#include \"base/chinese_wording.h\"\n\n"
  "namespace crawlmeter {\nnamespace {\n\n"
  "struct Translation {\n  const char* english;\n  const char* chinese;\n};\n\n"
  "constexpr Translation kTranslations[] = {\n${entries}};\n\n}  // namespace\n\n"
  "std::string_view ChineseWording::text(const char* english) const {\n"
  "  for (const Translation& translation : kTranslations) {\n"
  "    if (std::strcmp(translation.english, english) == 0) return translation.chinese;\n"
  "  }\n  return english;\n}\n\n"
  "}  // namespace crawlmeter\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
