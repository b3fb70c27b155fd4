# The suites that run on Windows (under Wine when cross-built, through CMake's cross-compiling
# emulator): tarnexSuites, with the child processes of CliProcessWin32.cpp and the Win32 file
# layer's own suite. Left out: the bad-path suite (FIFOs, permission bits, symbolic links), the
# lock shim (LD_PRELOAD, Linux's) and the real-model suites (lib3ds and Assimp are built for Linux
# here; scripts/compare-windows.sh converts the Debian models with both builds instead). Cases that need what Wine or Windows lacks (symbolic links, permission bits, FIFOs,
# file size limits, other users, a lock shim) are guarded where they stand, each saying why.
add_executable(tarnex_win_tests support/CliProcessWin32.cpp ${tarnexSuites} platform/Win32FileLayerTest.cpp)
target_link_libraries(tarnex_win_tests PRIVATE tarnex_core tarnex_scenegen GTest::gtest GTest::gtest_main)
tarnex_warnings(tarnex_win_tests)
add_dependencies(tarnex_win_tests tarnex-cli)
# The tests start tarnex-cli by its Windows path: Wine shows the build machine's root as drive Z.
target_compile_definitions(tarnex_win_tests PRIVATE TARNEX_CLI_PATH="Z:${CMAKE_BINARY_DIR}/tarnex-cli.exe"
                                                    TARNEX_EXPECTED_VERSION="${PROJECT_VERSION}"
                                                    TARNEX_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
add_test(NAME tarnex_win_tests COMMAND tarnex_win_tests)

# The window tests: tarnex.exe's dialogs from its own resources, driven by messages. Wine draws
# them on the private X server that scripts/build-windows.sh starts for the tests.
if(TARGET tarnex_winui)
  # The resource compiler finds resource.h and MeshViewer.rc beside the template here too.
  set_source_files_properties(${TARNEX_WINDOW_RESOURCES} PROPERTIES
    INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/winui
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/winui/resource.h;${PROJECT_SOURCE_DIR}/winui/MeshViewer.rc")
  add_executable(tarnex_window_tests winui/MeshViewerTest.cpp support/MemoryFile.cpp ${TARNEX_WINDOW_RESOURCES})
  target_link_libraries(tarnex_window_tests PRIVATE tarnex_winui tarnex_scenegen GTest::gtest GTest::gtest_main)
  tarnex_warnings(tarnex_window_tests)
  add_test(NAME tarnex_window_tests COMMAND tarnex_window_tests)
endif()
