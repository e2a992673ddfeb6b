# The library boundary as a Windows host sees it, included from tests/CMakeLists.txt in the
# Windows build: tests/plugin/ExportsTest (the calls and outcomes shared with Linux) and
# HostBoundaryTest (stdcall through the pointer types, records on the shared C runtime heap),
# with halvex.dll loaded and its dialogs answered by halvex-host's library, under Wine.
set(HALVEX_HOST_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostBoundaryTest.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/../plugin/ExportsTest.cpp)
add_executable(halvex_win32_host_tests ${HALVEX_HOST_TEST_SOURCES}
                                       ${CMAKE_CURRENT_LIST_DIR}/../support/RecordBuilder.cpp)
target_include_directories(halvex_win32_host_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(halvex_win32_host_tests PRIVATE halvex_host_lib GTest::gtest_main)
target_compile_definitions(halvex_win32_host_tests PRIVATE HALVEX_LIBRARY="$<TARGET_FILE:halvex>")
add_dependencies(halvex_win32_host_tests halvex)
halvex_warnings(halvex_win32_host_tests)
gtest_add_tests(TARGET halvex_win32_host_tests SOURCES ${HALVEX_HOST_TEST_SOURCES}
                TEST_LIST HALVEX_HOST_TESTS)
# The dialogs need the display to themselves.
set_tests_properties(${HALVEX_HOST_TESTS} PROPERTIES RESOURCE_LOCK display LABELS win32
                                                     TIMEOUT 300)
