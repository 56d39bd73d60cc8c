kavrost_gtest(settings_test
  SOURCES settings_test.cpp
  SUITES ReadSettingValueTypes ReadSettingEmptyAndMissing ReadSettingKeys ReadSettingBounds)
kavrost_gtest(user_folders_test
  SOURCES user_folders_test.cpp
  SUITES ListUsersFilters ListSubdirectoriesEntries ListUsersLocations)
