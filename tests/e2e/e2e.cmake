# End-to-end tests: a driver starts Kavrost.exe in the prefix under a display and
# operates its windows. They share the prefix's registry, so they never overlap;
# and they run alone, since every Wine process that starts with another locale
# rewrites the prefix's regional settings, which the locale cases read.
add_executable(e2e_driver ${CMAKE_CURRENT_LIST_DIR}/driver.cpp)
target_link_libraries(e2e_driver PRIVATE kavrost_test_support)
add_dependencies(e2e_driver Kavrost)

# e2e_case(<name> <suite> <LC_ALL> [driver arguments...])
function(e2e_case name suite locale)
  add_test(NAME e2e.${name}
           COMMAND e2e_driver --kavrost=$<TARGET_FILE:Kavrost> --gtest_filter=${suite}.* ${ARGN})
  set_tests_properties(e2e.${name} PROPERTIES
    ENVIRONMENT "${KAVROST_TEST_ENV};LC_ALL=${locale}"
    RESOURCE_LOCK kavrost_prefix_hkcu
    RUN_SERIAL TRUE
    SKIP_RETURN_CODE 77
    TIMEOUT 240
    FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests")
endfunction()

e2e_case(product_missing ProductMissing en_US.UTF-8)
e2e_case(language LanguageSetting de_DE.UTF-8)
e2e_case(language_locale_de_DE LanguageLocale de_DE.UTF-8 --absent-language=de)
e2e_case(language_locale_de_AT LanguageLocale de_AT.UTF-8 --absent-language=en)
e2e_case(language_locale_de_CH LanguageLocale de_CH.UTF-8 --absent-language=en)
e2e_case(language_locale_en_US LanguageLocale en_US.UTF-8 --absent-language=en)
e2e_case(user_list UserList en_US.UTF-8)
e2e_case(about_box AboutBox en_US.UTF-8)
e2e_case(close Close en_US.UTF-8)
e2e_case(delete DeleteCommand C.UTF-8)
