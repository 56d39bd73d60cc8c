kavrost_gtest(user_removal_test
  SOURCES user_removal_test.cpp fs_test_support.cpp
  SUITES RemoveUserLocations RemoveUserMissingParts RemoveUserBadNames RemoveUserBaseFolders
         RemoveUserSurvivors)
