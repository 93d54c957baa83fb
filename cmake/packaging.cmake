# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build build --target package`)
# makes crawlmeter_<version>_<arch>.deb from the install rules, for /usr. The package's own
# documents are installed here too: the copyright notice, the changelog and the manual pages.
# Only the desktop build is packaged; builds without the window (fuzzing) skip all of this.
if(NOT CRAWLMETER_BUILD_GUI OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(CRAWLMETER_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/resources/debian)
set(CRAWLMETER_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/crawlmeter)

# project() holds the version; the changelog's newest entry and the program's own version text
# must agree with it, or the package would name one version and the program print another.
file(STRINGS ${CRAWLMETER_PACKAGING_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^crawlmeter \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian/changelog must begin with an entry for version "
                      "${PROJECT_VERSION}, not: ${changelog_head}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/product_info.h product_version
     REGEX "^#define CRAWLMETER_VERSION ")
if(NOT product_version STREQUAL "#define CRAWLMETER_VERSION \"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "resources/product_info.h names another version than ${PROJECT_VERSION}")
endif()

# Debian keeps the changelog and manual pages gzip-compressed at the highest level and without a
# time stamp (-n), so that the same sources always give the same package.
find_program(CRAWLMETER_GZIP gzip REQUIRED)
# The shell redirection below writes into this folder; not every generator creates it.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
set(compressed_docs)
foreach(source
    ${CRAWLMETER_PACKAGING_DIR}/changelog
    ${PROJECT_SOURCE_DIR}/resources/man/crawlmeter.1
    ${PROJECT_SOURCE_DIR}/resources/man/crawlmeter-report.1)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CRAWLMETER_GZIP} -9 -n -c ${source} > ${output}
                     DEPENDS ${source}
                     COMMENT "Compressing ${name}"
                     VERBATIM)
  list(APPEND compressed_docs ${output})
endforeach()
add_custom_target(crawlmeter_package_docs ALL DEPENDS ${compressed_docs})

install(FILES ${CRAWLMETER_PACKAGING_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CRAWLMETER_DOC_DIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/crawlmeter.1.gz
              ${PROJECT_BINARY_DIR}/packaging/crawlmeter-report.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME crawlmeter)
set(CPACK_PACKAGE_VENDOR Veldtbyte)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Veldtbyte <support@veldtbyte.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "count page views, visitors and crawler visits in access logs")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The binaries are stripped (scripts/package.sh builds with debug information, as dpkg-buildflags
# asks). lintian passes the package without errors or warnings; it notes (info only) the .comment
# section a plain strip keeps.
set(CPACK_STRIP_FILES ON)
# Folders the install rules create get the usual 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.veldtbyte.example/")
# The shared libraries the binaries link (Qt, the date library's libdate-tz3, libstdc++, libc) come
# from dpkg-shlibdeps; the font, Qt's translations and the time-zone database are run-time needs
# no binary names: the window's captions and monospaced result box, the Chinese buttons of its
# dialogs, and the zones --time-zone names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-translations-l10n, tzdata")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above becomes the first line of the package's Description; this is the rest, in
# lines of at most 80 characters as the field is shown on a terminal, paragraphs between blank lines.
set(CPACK_PACKAGE_DESCRIPTION
    "Crawlmeter reads web-server access logs, one file for each day, and counts
for every hour of the day the page views, the distinct visiting IP addresses
or the visits of one search-engine crawler: Baidu, Google, Bing, Sogou, Youdao
or Yahoo. The result is a table with one column for each file, which can be
saved as a text file.

The package holds the desktop program, whose window speaks Simplified Chinese,
and crawlmeter-report, the same counts on the command line.")

include(CPack)
