# The same program as 64-bit Windows, for machines that cannot run 32-bit
# code; players get the 32-bit one.
set(VTY_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
