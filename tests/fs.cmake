kavrost_gtest(fs_test
  SOURCES fs_scanner_test.cpp fs_remove_test.cpp fs_test_support.cpp
  SUITES PathHelpers ScannerFilters ScannerListing TreeRemoval LinkSafety LongPaths)
