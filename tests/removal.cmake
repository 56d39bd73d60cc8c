kavrost_gtest(user_removal_test
  SOURCES user_removal_test.cpp
  LINK kavrost_product)
