# The libraries the engine builds on, found once for every folder (the tests make compressed files
# with the same libraries the engine reads them with). All are Debian 12 packages, named in
# scripts/install-deps.sh.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
# Hyperscan: the many catalogue texts in one pass over each chunk.
pkg_check_modules(Hyperscan REQUIRED IMPORTED_TARGET libhs)
# The decompressors of rotated logs: ISA-L's igzip (several times zlib's inflate speed), libbz2,
# liblzma and libzstd.
pkg_check_modules(Decompressors REQUIRED IMPORTED_TARGET liblzma libzstd)
find_package(BZip2 REQUIRED)
find_library(ISAL_LIBRARY NAMES isal REQUIRED)
find_path(ISAL_INCLUDE_DIR isa-l/igzip_lib.h REQUIRED)
