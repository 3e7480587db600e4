# Shared helpers for every subsystem library, test and benchmark.

function(lucivane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(LUCIVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(LUCIVANE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# lucivane_library(<name> <dir-relative-to-this-list> [DEPS ...])
# A static library from every .cpp in the calling directory, aliased lucivane::<name>.
# Headers are included from the repository root ("dib/cDIB32.h").
function(lucivane_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(lucivane_${name} STATIC ${sources} ${headers})
  add_library(lucivane::${name} ALIAS lucivane_${name})
  target_include_directories(lucivane_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  # The headers use C++20, so whoever links a library compiles as C++20 too.
  target_compile_features(lucivane_${name} PUBLIC cxx_std_20)
  target_link_libraries(lucivane_${name} PUBLIC ${ARG_DEPS})
  set_target_properties(lucivane_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  lucivane_warnings(lucivane_${name})
  if(LUCIVANE_SANITIZE)
    target_link_options(lucivane_${name} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()

# lucivane_test(<name> [QT] DEPS ... [ENV ...] [LOCK <resource>]): one GoogleTest executable from
# every .cpp in the calling directory, registered with ctest. QT adds an entry point that creates a
# QApplication (offscreen unless QT_QPA_PLATFORM says otherwise). LOCK keeps its tests from running
# beside other tests that hold the same resource.
function(lucivane_test name)
  cmake_parse_arguments(ARG "QT" "LOCK" "DEPS;ENV" ${ARGN})
  set(lock)
  if(ARG_LOCK)
    set(lock RESOURCE_LOCK ${ARG_LOCK})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(ARG_QT)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support/qt_main.cpp)
    list(APPEND ARG_DEPS Qt6::Widgets)
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  lucivane_warnings(${name}_tests)
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "${ARG_ENV}" ${lock})
endfunction()
