# The tree removal and the rules that keep it in its tree.
kavrost_gtest(fs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/remove_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/fake_volume.cpp
  LINK kavrost_fs)
