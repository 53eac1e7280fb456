# GoogleTest: the machine's package natively; built from its sources for the Windows build.
macro(pelmora_find_gtest)
  if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gmock ALIAS gmock)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# One test executable per tests/<area>/test_*.cpp file, linked with the area's libraries.
# The suite runs as one ctest test (under Wine in the Windows build).
function(pelmora_add_test_dir area)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  # A suite for one platform only says so in its name: test_*_posix.cpp, test_*_win.cpp.
  if(WIN32)
    list(FILTER test_sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER test_sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  foreach(src ${test_sources})
    get_filename_component(stem ${src} NAME_WE)
    set(exe ${area}_${stem})
    add_executable(${exe} ${src} ${support_sources})
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${exe} PRIVATE
      PELMORA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
      PELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_test(NAME ${exe} COMMAND ${exe} --gtest_brief=1)
    # A hung server wait fails its suite in minutes rather than holding CI to its limit.
    set_tests_properties(${exe} PROPERTIES LABELS ${area} TIMEOUT 600)
  endforeach()
endfunction()

# Shift_JIS text tables: pelmora_sjis_texts(target table.txt namespace header.h) generates
# <build>/generated/<target>/header.h from a UTF-8 "kName = text" table and adds it to target's includes.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(pelmora_sjis_texts target table ns header)
  set(out_dir ${CMAKE_BINARY_DIR}/generated/${target})
  set(out ${out_dir}/${header})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/gen_texts.py
            ${CMAKE_CURRENT_SOURCE_DIR}/${table} ${out} --namespace ${ns}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${table} ${PROJECT_SOURCE_DIR}/tools/gen_texts.py
    COMMENT "Shift_JIS texts ${header}")
  target_sources(${target} PRIVATE ${out})
  target_include_directories(${target} PUBLIC ${out_dir})
endfunction()
