# Read by ctest after the discovered tests of the Windows build (see
# cmake/WineTests.cmake): properties of single tests under Wine.

# Wine takes the time zone and the user's locale from the environment a process
# starts with; the runner's defaults are TZ=UTC and LC_ALL=en_US.UTF-8.
set_tests_properties(DatedMessages.DateFollowsTheLocalTimeZone PROPERTIES ENVIRONMENT TZ=EST5)
# A process started in another locale rewrites the prefix's locale settings,
# which the others read: these run alone.
set_tests_properties(OsLayerWin32.DatedMessageInGermanFromCodePage1252 PROPERTIES ENVIRONMENT LC_ALL=de_DE.UTF-8
                     RUN_SERIAL ON)
set_tests_properties(OsLayerWin32.DatedMessageInJapaneseFromCodePage932 PROPERTIES ENVIRONMENT LC_ALL=ja_JP.UTF-8
                     RUN_SERIAL ON)
