# zstd's decoder (lib/common and lib/decompress only), built statically for this target from
# Debian's source package of libzstd, which tools/bootstrap.sh unpacks into build/third_party.
set(ZEFRA_ZSTD_SOURCE ${CMAKE_SOURCE_DIR}/build/third_party/zstd CACHE PATH
    "zstd's sources (Debian's source package of libzstd, unpacked)")
if(NOT EXISTS ${ZEFRA_ZSTD_SOURCE}/lib/zstd.h)
  message(FATAL_ERROR "No zstd sources at ${ZEFRA_ZSTD_SOURCE}: run tools/bootstrap.sh (or make build), "
                      "or point ZEFRA_ZSTD_SOURCE at an unpacked zstd 1.5.4 or later")
endif()

# 1.5.4 or later: an earlier decoder could corrupt a 32-bit build's output at window log 25.
file(STRINGS ${ZEFRA_ZSTD_SOURCE}/lib/zstd.h _zstd_version REGEX "^#define ZSTD_VERSION_(MAJOR|MINOR|RELEASE) ")
string(REGEX REPLACE "[^0-9;]|#define ZSTD_VERSION_[A-Z]+ +" "" _zstd_version "${_zstd_version}")
string(REPLACE ";" "." _zstd_version "${_zstd_version}")
if(_zstd_version VERSION_LESS 1.5.4)
  message(FATAL_ERROR "zstd ${_zstd_version} at ${ZEFRA_ZSTD_SOURCE}: 1.5.4 or later is needed")
endif()

file(GLOB _zstd_sources ${ZEFRA_ZSTD_SOURCE}/lib/common/*.c ${ZEFRA_ZSTD_SOURCE}/lib/decompress/*.c)
add_library(zefra_zstd_decoder STATIC ${_zstd_sources})
target_include_directories(zefra_zstd_decoder SYSTEM PUBLIC ${ZEFRA_ZSTD_SOURCE}/lib)
# Portable C only (no x86-64 assembly), one thread, no legacy formats; its own warnings are not ours.
target_compile_definitions(zefra_zstd_decoder PRIVATE ZSTD_DISABLE_ASM ZSTD_LEGACY_SUPPORT=0 XXH_NAMESPACE=ZSTD_)
if(MSVC)
  target_compile_options(zefra_zstd_decoder PRIVATE /w)
else()
  target_compile_options(zefra_zstd_decoder PRIVATE -w -O2)
endif()
