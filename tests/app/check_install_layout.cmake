# Installs the built project into a scratch prefix (cmake -P) and checks that the desktop finds
# the program: the binary, its menu entry, its description and its icon in the hicolor theme.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "installing into ${PREFIX} failed")
endif()

set(desktop_file ${PREFIX}/${DATADIR}/applications/example.veldtbyte.Crawlmeter.desktop)
foreach(path
    ${PREFIX}/${BINDIR}/crawlmeter
    ${desktop_file}
    ${PREFIX}/${DATADIR}/metainfo/example.veldtbyte.Crawlmeter.metainfo.xml
    ${PREFIX}/${DATADIR}/icons/hicolor/128x128/apps/crawlmeter.png)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The menu entry must name what was installed.
file(STRINGS ${desktop_file} exec_line REGEX "^Exec=")
file(STRINGS ${desktop_file} icon_line REGEX "^Icon=")
if(NOT exec_line STREQUAL "Exec=crawlmeter" OR NOT icon_line STREQUAL "Icon=crawlmeter")
  message(FATAL_ERROR "the desktop entry names another program or icon: ${exec_line} ${icon_line}")
endif()
