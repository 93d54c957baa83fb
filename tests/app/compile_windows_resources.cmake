# Compiles the Windows resource script with MinGW's windres (cmake -P), then reads the compiled
# resources back and checks the version facts that Windows shows in the file's properties.
if(NOT WINDRES)
  message("x86_64-w64-mingw32-windres not installed; skipped")
  cmake_language(EXIT ${SKIP_CODE})
endif()
get_filename_component(script_dir ${SCRIPT} DIRECTORY)
file(MAKE_DIRECTORY ${WORK_DIR})
set(object ${WORK_DIR}/crawlmeter_rc.o)
execute_process(
  COMMAND ${WINDRES} --preprocessor=cpp --preprocessor-arg=-xc-header -I ${script_dir}
          -O coff -i ${SCRIPT} -o ${object}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "windres could not compile ${SCRIPT}")
endif()
execute_process(COMMAND ${WINDRES} -J coff -O rc -i ${object}
                OUTPUT_VARIABLE decompiled RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "windres could not read back ${object}")
endif()

set(expected
  "FILEVERSION 1, 0, 0, 0"
  "PRODUCTVERSION 1, 0, 0, 0"
  "BLOCK \"080404b0\""
  "VALUE \"CompanyName\", \"www.veldtbyte.example\""
  "VALUE \"FileVersion\", \"1.00\""
  "VALUE \"InternalName\", \"Crawlmeter\""
  "VALUE \"OriginalFilename\", \"Crawlmeter.exe\""
  "VALUE \"ProductName\", \"Crawlmeter\""
  "VALUE \"ProductVersion\", \"1.00\""
  "VALUE \"Translation\", 0x804, 1200")
foreach(line IN LISTS expected)
  string(FIND "${decompiled}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "compiled resources lack: ${line}\n${decompiled}")
  endif()
endforeach()
# The icon: one 128 x 128 image of 8 bits a pixel.
string(FIND "${decompiled}" "ICON" at)
if(at EQUAL -1)
  message(FATAL_ERROR "compiled resources hold no icon")
endif()
file(READ ${script_dir}/crawlmeter.ico header LIMIT 22 HEX)
if(NOT header MATCHES "^0000010001008080000001000800")
  message(FATAL_ERROR "crawlmeter.ico is not one 128 x 128 image of 256 colours: ${header}")
endif()
