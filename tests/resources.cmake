# Resources of the program, read back from the built executable.
# KAVROST_RESOURCE_CHECK_EXE names a further executable to check the same way,
# typically the shipped 32-bit build when the tests run in the 64-bit tree.
set(KAVROST_RESOURCE_CHECK_EXE "" CACHE FILEPATH
    "A further Kavrost.exe whose resources the resource test checks")

set(KAVROST_RESOURCE_SUITES
    MainDialogTemplate AboutDialogTemplate StringTable IconGroup VersionBlock)
kavrost_gtest(resources_test
  SOURCES resources_test.cpp resource_reader.cpp
  SUITES ${KAVROST_RESOURCE_SUITES})
target_include_directories(resources_test PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(resources_test Kavrost)
foreach(suite IN LISTS KAVROST_RESOURCE_SUITES)
  set_property(TEST resources_test.${suite} APPEND PROPERTY
               ENVIRONMENT "KAVROST_RESOURCE_EXE=$<TARGET_FILE:Kavrost>")
endforeach()

if(KAVROST_RESOURCE_CHECK_EXE)
  foreach(suite IN LISTS KAVROST_RESOURCE_SUITES)
    add_test(NAME resources_test.checked.${suite}
             COMMAND resources_test --gtest_filter=${suite}.*)
    set_tests_properties(resources_test.checked.${suite} PROPERTIES
      ENVIRONMENT "${KAVROST_TEST_ENV};LC_ALL=en_US.UTF-8;KAVROST_RESOURCE_EXE=${KAVROST_RESOURCE_CHECK_EXE}"
      FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
  endforeach()
endif()
