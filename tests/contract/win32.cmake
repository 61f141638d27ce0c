# The contract suite against the real backend, under Wine: the scene is real windows of this
# process plus ContractPeer.exe, a second process that makes windows on request. The same
# program also runs the dialog framework on the system's dialog manager.

# GoogleTest, cross-built once for all Windows test programs (tests/e2e uses the same).
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Known by its mixed-case module name, which the window inventory reads in upper case.
# What calls Win32 directly lives in win32/; the shared cases stay here.
set(CONTRACT_WIN32_DIR ${CMAKE_CURRENT_SOURCE_DIR}/win32)
add_executable(contract_peer ${CONTRACT_WIN32_DIR}/contract_peer.cpp)
set_target_properties(contract_peer PROPERTIES OUTPUT_NAME ContractPeer)

add_executable(contract_win32
  contract_tests.cpp
  ${CONTRACT_WIN32_DIR}/scene_win32.cpp
  ${CONTRACT_WIN32_DIR}/dialog_win32_tests.cpp
  ${CONTRACT_WIN32_DIR}/contract_win32_main.cpp
  ${CONTRACT_WIN32_DIR}/contract_win32.rc)
target_include_directories(contract_win32 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CONTRACT_WIN32_DIR})
target_link_libraries(contract_win32 PRIVATE clipveil_testing gtest)
add_dependencies(contract_win32 contract_peer)

# One CTest run of the whole program on the shared desktop; it takes turns with the other
# Windows tests, since its windows are part of the desktop they read.
add_test(NAME win32.contract COMMAND contract_win32)
set_tests_properties(win32.contract PROPERTIES FIXTURES_REQUIRED wine_desktop RESOURCE_LOCK wine_desktop TIMEOUT 120)
