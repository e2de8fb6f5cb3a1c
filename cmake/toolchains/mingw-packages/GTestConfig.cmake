# GoogleTest for the cross build. Debian ships it built for the build machine only, so it is built
# here for the target from the source package (/usr/src/googletest) as part of this build; only
# what the tests link is compiled.
if(NOT TARGET GTest::gtest)
  set(_rq_gtest_src /usr/src/googletest)
  if(NOT EXISTS ${_rq_gtest_src}/CMakeLists.txt)
    set(GTest_FOUND FALSE)
    set(GTest_NOT_FOUND_MESSAGE "${_rq_gtest_src} is missing: install the googletest package")
    return()
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${_rq_gtest_src} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
set(GTest_FOUND TRUE)
