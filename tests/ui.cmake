# The user interface: the language choice, and the dialogs run in this process.
kavrost_gtest(ui_language_test
  SOURCES ui_language_test.cpp
  LINK kavrost_ui)

# The dialogs load their templates, strings and icon from this program, as from
# Kavrost.exe. Without a display each case reports itself skipped.
kavrost_gtest(ui_dialog_test
  SOURCES ui_dialog_test.cpp
  LINK kavrost_ui kavrost_resources)
