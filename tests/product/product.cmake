# The product's data: settings, user folders, the removal of a user.
kavrost_gtest(settings_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
  LINK kavrost_product)
kavrost_gtest(user_folders_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/user_folders_test.cpp
  LINK kavrost_product)
kavrost_gtest(user_removal_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/user_removal_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../fs/fake_volume.cpp
  LINK kavrost_product)
