# The Windows build's tests. GoogleTest is built here from the system's source
# package with the cross compilers; every test program, like qvhost, runs under
# Wine through the build's emulator (tests/wine/wine-run.sh).

set(QV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
if(NOT EXISTS ${QV_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${QV_GTEST_SOURCE} (Debian package googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# A small Windows program that records its command line; the tests register it
# as the prefix's ".html" handler and as a program to start.
add_executable(html_recorder tests/wine/HtmlRecorder.cpp)
target_compile_options(html_recorder PRIVATE ${QV_WARNINGS})

# Called after every test is declared: the tests that need more than the
# defaults of the Wine runner (a time zone, a locale, the registry to
# themselves) get it from tests/wine/test-properties.cmake, read by ctest
# after the discovered tests.
function(qv_wine_test_properties)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_SOURCE_DIR}/tests/wine/test-properties.cmake)
endfunction()
