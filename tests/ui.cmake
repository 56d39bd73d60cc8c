# The user interface: the language choice, and the dialogs run in this process.
kavrost_gtest(ui_language_test
  SOURCES ui_language_test.cpp
  LINK kavrost_ui
  SUITES LanguageChoice)

# The dialog tests need a display; without one they report themselves skipped.
# The dialogs load their templates, strings and icon from this program.
add_executable(ui_dialog_test ui_dialog_test.cpp)
target_link_libraries(ui_dialog_test PRIVATE kavrost_ui kavrost_resources kavrost_test_support
                      GTest::gtest_main)
foreach(suite MainDialogInProcess ModalDialog IconPosition)
  add_test(NAME ui_dialog_test.${suite} COMMAND ui_dialog_test --gtest_filter=${suite}.*)
  set_tests_properties(ui_dialog_test.${suite} PROPERTIES
    ENVIRONMENT "${KAVROST_TEST_ENV};LC_ALL=en_US.UTF-8"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endforeach()
