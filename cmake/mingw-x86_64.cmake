# Cross build for 64-bit Windows: the same sources as the 32-bit product, for running the
# Windows suites where the machine cannot execute 32-bit code.
set(HALVEX_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
