# The program as released: a second build of Kavrost.exe from a copy of the sources in
# another folder, configured and built afresh, must give this tree's file byte for byte.
add_test(NAME release.SameSourcesGiveTheSameProgram
         COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DWORK=${CMAKE_BINARY_DIR}/release-rebuilt
                 -DEXPECTED=$<TARGET_FILE:Kavrost> -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}
                 -DBUILD_TYPE=${CMAKE_BUILD_TYPE} -DGENERATOR=${CMAKE_GENERATOR}
                 -P ${CMAKE_CURRENT_LIST_DIR}/same_bytes.cmake)
set_tests_properties(release.SameSourcesGiveTheSameProgram PROPERTIES
  LABELS release PROCESSORS 2 TIMEOUT 300)
