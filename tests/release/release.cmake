# The program as released: Kavrost.exe built again from a copy of its sources in another
# folder, later, must be this tree's file byte for byte.
add_test(NAME release.SameSourcesGiveTheSameProgram COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}
         -DWORK=${CMAKE_BINARY_DIR}/release-rebuilt -DEXPECTED=$<TARGET_FILE:Kavrost> -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}
         -DBUILD_TYPE=${CMAKE_BUILD_TYPE} -P ${CMAKE_CURRENT_LIST_DIR}/same_bytes.cmake)
set_tests_properties(release.SameSourcesGiveTheSameProgram PROPERTIES LABELS release PROCESSORS 2)
