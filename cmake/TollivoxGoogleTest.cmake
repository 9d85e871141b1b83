# Provides GTest::gtest, GTest::gmock and GTest::gmock_main.
# Natively the installed package is used; cross builds compile the Debian googletest sources
# with the target's compiler, statically.

set(TOLLIVOX_GOOGLETEST_SOURCE_DIR /usr/src/googletest
  CACHE PATH "GoogleTest sources, built when no installed package fits the target")

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()

if(NOT TARGET GTest::gmock_main AND EXISTS ${TOLLIVOX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_SHARED_LIBS OFF)
  add_subdirectory(${TOLLIVOX_GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(library IN ITEMS gtest gtest_main gmock gmock_main)
    if(TARGET ${library} AND NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endif()
