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

# The time-zone database by name (--time-zone Asia/Shanghai): Howard Hinnant's date library, as
# Debian builds it, reading the system's /usr/share/zoneinfo. Its CMake package names the target;
# without the package, the library and header are found by name, with the same setting the
# package's target carries (the system's database, not a download of its own). Windows has no
# database by name: the engine knows its own zone and offsets there.
if(NOT WIN32)
  find_package(date CONFIG QUIET)
  if(TARGET date::date-tz)
    add_library(crawlmeter_time_zones ALIAS date::date-tz)
  else()
    find_library(DATE_TZ_LIBRARY NAMES date-tz REQUIRED)
    find_path(DATE_TZ_INCLUDE_DIR date/tz.h REQUIRED)
    add_library(crawlmeter_time_zones INTERFACE)
    target_include_directories(crawlmeter_time_zones INTERFACE ${DATE_TZ_INCLUDE_DIR})
    target_compile_definitions(crawlmeter_time_zones INTERFACE USE_OS_TZDB=1)
    target_link_libraries(crawlmeter_time_zones INTERFACE ${DATE_TZ_LIBRARY} Threads::Threads)
  endif()
endif()

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

# c-ares: the DNS resolver of --verify-dns, asked directly (no hosts file, no search domains).
# Debian's libc-ares-dev on Linux; on Windows a static build, which needs the system's sockets,
# its network configuration (the resolvers' addresses) and the registry.
add_library(crawlmeter_cares INTERFACE)
if(WIN32)
  find_library(CARES_LIBRARY NAMES cares REQUIRED)
  find_path(CARES_INCLUDE_DIR ares.h REQUIRED)
  target_include_directories(crawlmeter_cares INTERFACE ${CARES_INCLUDE_DIR})
  target_compile_definitions(crawlmeter_cares INTERFACE CARES_STATICLIB)
  target_link_libraries(crawlmeter_cares INTERFACE ${CARES_LIBRARY} ws2_32 iphlpapi advapi32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(Cares REQUIRED IMPORTED_TARGET libcares)
  target_link_libraries(crawlmeter_cares INTERFACE PkgConfig::Cares)
endif()
