# The download for Windows: cmake --build BUILD --target windows_zip gives
# tarnex-VERSION-win64.zip with tarnex.exe (the window) and tarnex-cli.exe, the README for Windows users, the licence and the
# example scenes, in one folder tarnex-VERSION-win64.
set(zipName tarnex-${PROJECT_VERSION}-win64)
set(zipStage ${CMAKE_CURRENT_BINARY_DIR}/zip/${zipName})
find_program(TARNEX_ZIP zip)
# The licence's text as Debian ships it (base-files).
set(TARNEX_GPL3 /usr/share/common-licenses/GPL-3 CACHE FILEPATH "The text of the GNU GPL version 3")
add_custom_target(windows_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_CURRENT_BINARY_DIR}/zip ${CMAKE_CURRENT_BINARY_DIR}/${zipName}.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zipStage}/examples
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tarnex-cli> $<TARGET_FILE:tarnex> ${zipStage}/
  COMMAND ${CMAKE_STRIP} --strip-debug ${zipStage}/tarnex-cli.exe ${zipStage}/tarnex.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/README-Windows.txt ${zipStage}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${TARNEX_GPL3} ${zipStage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/copyright ${zipStage}/COPYRIGHT.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/examples/robot.3ds ${PROJECT_SOURCE_DIR}/examples/crate.3ds
          ${zipStage}/examples/
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_CURRENT_BINARY_DIR}/zip ${TARNEX_ZIP} -q -X -r ../${zipName}.zip ${zipName}
  DEPENDS tarnex-cli tarnex
  COMMENT "Packing ${zipName}.zip"
  VERBATIM)
