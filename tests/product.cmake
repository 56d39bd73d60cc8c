kavrost_gtest(settings_test
  SOURCES settings_test.cpp
  LINK kavrost_product)
kavrost_gtest(user_folders_test
  SOURCES user_folders_test.cpp
  LINK kavrost_product)
