# Read by ctest after the discovered tests of the Windows build (see
# cmake/WineTests.cmake): properties of single tests under Wine.

# Wine takes the time zone and the user's locale from the environment a process
# starts with; the runner's defaults are TZ=UTC and LC_ALL=en_US.UTF-8.
set_tests_properties(DatedMessages.DateFollowsTheLocalTimeZone PROPERTIES ENVIRONMENT TZ=EST5)
