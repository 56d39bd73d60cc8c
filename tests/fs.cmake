kavrost_gtest(fs_test
  SOURCES fs_scanner_test.cpp fs_remove_test.cpp
  LINK kavrost_fs)
