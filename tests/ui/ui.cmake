# The user interface: the language choice, and the dialogs run in this process.
kavrost_gtest(ui_language_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/language_test.cpp
  LINK kavrost_ui)

# The dialogs load their templates, strings and icon from this program, as from
# Kavrost.exe. Without a display each case reports itself skipped.
kavrost_gtest(ui_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_test.cpp
  LINK kavrost_ui kavrost_resources)

# Resources of the program, read back from the built executable.
# KAVROST_RESOURCE_CHECK_EXE names a further executable to check the same way,
# typically the shipped 32-bit build when the tests run in the 64-bit tree.
set(KAVROST_RESOURCE_CHECK_EXE "" CACHE FILEPATH
    "A further Kavrost.exe whose resources the resource test checks")

kavrost_gtest(resources_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp ${CMAKE_CURRENT_LIST_DIR}/resource_reader.cpp
  ENVIRONMENT "KAVROST_RESOURCE_EXE=$<TARGET_FILE:Kavrost>")
target_include_directories(resources_test PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(resources_test Kavrost)

if(KAVROST_RESOURCE_CHECK_EXE)
  kavrost_add_cases(resources_test resources_test.checked
    ENVIRONMENT "KAVROST_RESOURCE_EXE=${KAVROST_RESOURCE_CHECK_EXE}")
endif()

# The imports of the shipped 32-bit program against the list beside this file, and the
# Windows version its header names: the program of this tree where it is 32-bit, else
# the one KAVROST_RESOURCE_CHECK_EXE names.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KAVROST_IMPORTS_EXE $<TARGET_FILE:Kavrost>)
else()
  set(KAVROST_IMPORTS_EXE ${KAVROST_RESOURCE_CHECK_EXE})
endif()
if(KAVROST_IMPORTS_EXE)
  kavrost_gtest(imports_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/imports_test.cpp ${CMAKE_CURRENT_LIST_DIR}/resource_reader.cpp
    ENVIRONMENT "KAVROST_IMPORTS_EXE=${KAVROST_IMPORTS_EXE}"
                "KAVROST_IMPORT_LIST=${CMAKE_CURRENT_LIST_DIR}/kavrost_imports.txt")
  add_dependencies(imports_test Kavrost)
endif()

# The case that measures the texts of the main dialog and its boxes, again at 144 and 192 DPI,
# with the prefix to itself: the DPI is the prefix's.
foreach(dpi 144 192)
  add_test(NAME ui_dialog_test.at${dpi}dpi COMMAND ${CMAKE_CURRENT_LIST_DIR}/at-dpi.sh ${dpi}
           ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:ui_dialog_test> --gtest_filter=*.EveryTextFitsItsControl)
  set_tests_properties(ui_dialog_test.at${dpi}dpi PROPERTIES ENVIRONMENT "${KAVROST_TEST_ENV};LC_ALL=C.UTF-8"
                       RUN_SERIAL TRUE FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
endforeach()
