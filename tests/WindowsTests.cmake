# The suites that run on Windows (under Wine when cross-built, through CMake's cross-compiling
# emulator): every in-memory suite, the native file layer's, the writer's and the command line's.
# Left out: the lock shim (LD_PRELOAD, Linux's) and the real-model suites (lib3ds and Assimp are
# built for Linux here; scripts/compare-windows.sh converts the Debian models with both builds
# instead). Cases that need what Wine or Windows lacks (symbolic links, permission bits, FIFOs,
# file size limits, other users, a lock shim) are guarded where they stand, each saying why.
find_package(GTest REQUIRED)

add_executable(tarnex_win_tests
  support/CliProcessWin32.cpp
  support/ExactScenes.cpp
  support/FaultyFileSystem.cpp
  support/MemoryFile.cpp
  support/MemoryFileSystem.cpp
  support/SceneGeneratorTest.cpp
  scene/ExactAnimationTest.cpp
  scene/FramePositionsTest.cpp
  scene/FrameTest.cpp
  scene/RotateTest.cpp
  scene/StatusLogTest.cpp
  input3ds/ChunkReaderTest.cpp
  input3ds/MaterialNameTest.cpp
  input3ds/NameSortTest.cpp
  inspect/MeshPairTest.cpp
  platform/NativeFileLayerTest.cpp
  platform/Win32FileLayerTest.cpp
  platform/WindowsNamesTest.cpp
  convert/CommandLineTest.cpp
  convert/ConversionTest.cpp
  convert/FaultInjectionTest.cpp
  convert/ImportScriptTest.cpp
  convert/MeshFormatTest.cpp
  convert/MeshWriterTest.cpp
  convert/PairCommitTest.cpp
  convert/RangeConversionTest.cpp
  convert/VertexLanesTest.cpp
  cli/CliTest.cpp
  cli/InspectCliTest.cpp
  cli/KernelFaultTest.cpp
  cli/SharedFilesTest.cpp
)
target_link_libraries(tarnex_win_tests PRIVATE tarnex_core tarnex_scenegen GTest::gtest GTest::gtest_main)
tarnex_warnings(tarnex_win_tests)
add_dependencies(tarnex_win_tests tarnex-cli)
# The tests start tarnex-cli by its Windows path: Wine shows the build machine's root as drive Z.
target_compile_definitions(tarnex_win_tests PRIVATE TARNEX_CLI_PATH="Z:${CMAKE_BINARY_DIR}/tarnex-cli.exe"
                                                    TARNEX_EXPECTED_VERSION="${PROJECT_VERSION}"
                                                    TARNEX_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
add_test(NAME tarnex_win_tests COMMAND tarnex_win_tests)
