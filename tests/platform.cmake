kavrost_gtest(platform_test
  SOURCES platform_string_test.cpp platform_collections_test.cpp platform_file_test.cpp
          platform_strings.rc
  LINK kavrost_platform)
