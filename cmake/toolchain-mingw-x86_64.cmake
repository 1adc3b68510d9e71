# The same sources built for 64-bit Windows. Nothing ships in 64 bits: this build is for the
# Windows tests on a machine whose kernel runs no 32-bit programs (tools/windows-arch).
set(ZEFRA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
