# The libraries the engine builds on, found once for every folder (the tests make compressed files
# with the same libraries the engine reads them with). On Linux all are Debian 12 packages, named
# in scripts/install-deps.sh; the Windows build finds static builds of the same sources, made by
# scripts/build-windows-deps.sh.
find_package(Threads REQUIRED)

# Hyperscan: the many catalogue texts in one pass over each chunk. Without it (it has no MinGW
# build) a portable automaton finds the same texts, several times slower.
if(WIN32)
  set(hyperscan_default OFF)
else()
  set(hyperscan_default ON)
endif()
option(CRAWLMETER_HYPERSCAN "Search the crawler catalogue with Hyperscan" ${hyperscan_default})

# The decompressors of rotated logs: ISA-L's igzip (several times zlib's inflate speed), libbz2,
# liblzma and libzstd.
find_package(BZip2 REQUIRED)
find_library(ISAL_LIBRARY NAMES isal REQUIRED)
find_path(ISAL_INCLUDE_DIR isa-l/igzip_lib.h REQUIRED)
add_library(crawlmeter_decompressors INTERFACE)
target_include_directories(crawlmeter_decompressors INTERFACE ${ISAL_INCLUDE_DIR})
if(WIN32)
  find_library(LZMA_LIBRARY NAMES lzma REQUIRED)
  find_library(ZSTD_LIBRARY NAMES zstd REQUIRED)
  find_path(DECOMPRESSORS_INCLUDE_DIR zstd.h REQUIRED)
  target_include_directories(crawlmeter_decompressors INTERFACE ${DECOMPRESSORS_INCLUDE_DIR})
  target_compile_definitions(crawlmeter_decompressors INTERFACE LZMA_API_STATIC)
  target_link_libraries(crawlmeter_decompressors INTERFACE ${LZMA_LIBRARY} ${ZSTD_LIBRARY})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(Decompressors REQUIRED IMPORTED_TARGET liblzma libzstd)
  target_link_libraries(crawlmeter_decompressors INTERFACE PkgConfig::Decompressors)
endif()
target_link_libraries(crawlmeter_decompressors INTERFACE BZip2::BZip2 ${ISAL_LIBRARY})

# simdjson: the JSON-lines logs' parser. Debian ships it as a shared library with its CMake
# package; the Windows build compiles its single-file amalgamation into a static library.
if(WIN32)
  find_library(SIMDJSON_LIBRARY NAMES simdjson REQUIRED)
  find_path(SIMDJSON_INCLUDE_DIR simdjson.h REQUIRED)
  add_library(crawlmeter_simdjson INTERFACE)
  target_include_directories(crawlmeter_simdjson INTERFACE ${SIMDJSON_INCLUDE_DIR})
  target_link_libraries(crawlmeter_simdjson INTERFACE ${SIMDJSON_LIBRARY})
else()
  find_package(simdjson REQUIRED)
  add_library(crawlmeter_simdjson INTERFACE)
  target_link_libraries(crawlmeter_simdjson INTERFACE simdjson::simdjson)
endif()

if(CRAWLMETER_HYPERSCAN)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(Hyperscan REQUIRED IMPORTED_TARGET libhs)
endif()
