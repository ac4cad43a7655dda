# Float semantics are part of the sound: every operation rounds to 32 bits in
# the order written, identically in the native and the MinGW-w64 builds.
add_compile_options(
  -Wall -Wextra
  -ffp-contract=off -fno-fast-math
  -msse2 -mfpmath=sse
)

if(WIN32)
  # Everything the binaries need from the toolchain is linked in; only system
  # DLLs are imported.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The cross compiler must not see /usr/include (glibc's headers would shadow
  # MinGW's), yet the LV2 headers are portable C: offer exactly those.
  set(SKARROW_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
  file(MAKE_DIRECTORY ${SKARROW_CROSS_INCLUDE})
  if(NOT EXISTS ${SKARROW_CROSS_INCLUDE}/lv2)
    file(CREATE_LINK /usr/include/lv2 ${SKARROW_CROSS_INCLUDE}/lv2 SYMBOLIC)
  endif()
  include_directories(SYSTEM ${SKARROW_CROSS_INCLUDE})
  set(SKARROW_PLATFORM "windows")
else()
  set(SKARROW_PLATFORM "linux")
endif()
