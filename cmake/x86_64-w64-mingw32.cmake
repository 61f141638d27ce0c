# The same sources for x86_64, for machines whose kernel runs no 32-bit program (where only
# wine64 starts).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
