# Shared helpers for every subsystem library, test and benchmark.

# The Qt-free libraries and their tests also build with these (Qt's headers do not).
set(LUCIVANE_STRICT_WARNINGS -Wshadow -Wconversion)

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

# lucivane_library(<name> [STRICT] [DEPS ...])
# A static library from every .cpp in the calling directory, aliased lucivane::<name>.
# Headers are included from the repository root ("dib/cDIB32.h"). STRICT adds
# LUCIVANE_STRICT_WARNINGS.
function(lucivane_library name)
  cmake_parse_arguments(ARG "STRICT" "" "DEPS" ${ARGN})
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
  if(ARG_STRICT)
    target_compile_options(lucivane_${name} PRIVATE ${LUCIVANE_STRICT_WARNINGS})
  endif()
  if(LUCIVANE_SANITIZE)
    target_link_options(lucivane_${name} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()

# lucivane_test(<name> [QT] [STRICT] DEPS ... [ENV ...] [LOCK <resource>]): one GoogleTest
# executable from every .cpp in the calling directory, registered with ctest. Every test of the
# calling directory gets the label <name>, so `ctest -L <name>` runs one library's tests. QT adds
# an entry point that creates a QApplication (offscreen unless QT_QPA_PLATFORM says otherwise);
# STRICT adds LUCIVANE_STRICT_WARNINGS; LOCK keeps its tests from running beside other tests that
# hold the same resource.
function(lucivane_test name)
  cmake_parse_arguments(ARG "QT;STRICT" "LOCK" "DEPS;ENV" ${ARGN})
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
  if(ARG_STRICT)
    target_compile_options(${name}_tests PRIVATE ${LUCIVANE_STRICT_WARNINGS})
  endif()
  # A directory label also reaches tests the directory adds by itself.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${name})
  gtest_discover_tests(${name}_tests DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "${ARG_ENV}" ${lock})
endfunction()
