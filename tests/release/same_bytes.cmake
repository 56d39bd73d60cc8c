# cmake -DSOURCE=<sources> -DWORK=<scratch folder> -DEXPECTED=<Kavrost.exe> -DTOOLCHAIN=<file>
#       -DBUILD_TYPE=<configuration> -P same_bytes.cmake
file(REMOVE_RECURSE ${WORK})
foreach(item CMakeLists.txt cmake app fs platform product res ui)
  file(COPY ${SOURCE}/${item} DESTINATION ${WORK}/sources)
endforeach()
get_filename_component(toolchain ${TOOLCHAIN} NAME)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/sources -B ${WORK}/tree -DBUILD_TESTING=OFF
                        -DCMAKE_TOOLCHAIN_FILE=${WORK}/sources/cmake/${toolchain} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/tree --target Kavrost --parallel 2
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND sha256sum ${EXPECTED} ${WORK}/tree/Kavrost.exe)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${WORK}/tree/Kavrost.exe
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${WORK})
