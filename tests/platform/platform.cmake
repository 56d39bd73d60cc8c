# The framework layer: strings, collections, the literal path form.
kavrost_gtest(platform_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/string_test.cpp ${CMAKE_CURRENT_LIST_DIR}/collections_test.cpp ${CMAKE_CURRENT_LIST_DIR}/file_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/strings.rc
  LINK kavrost_platform)
