# Shared build helpers.

# Adds every immediate subfolder of DIR (in name order) that has a CMakeLists.txt.
# Folders are visited depth-first, so tests/platform/win is reached through tests/.
function(kv_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
       ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child})
    if(IS_DIRECTORY ${path})
      if(EXISTS ${path}/CMakeLists.txt)
        add_subdirectory(${dir}/${child})
      else()
        kv_add_subdirectories(${dir}/${child})
      endif()
    endif()
  endforeach()
endfunction()

# The C++ sources of the calling folder (recursively), or nothing.
function(kv_sources out)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# kv_gtest(NAME LIBS lib...): one GoogleTest executable from the *.cpp of the calling
# folder, registered with CTest test by test.
function(kv_gtest name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 300 ENVIRONMENT "KV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# kv_benchmark(NAME SOURCE LIBS lib...): one Google Benchmark executable.
function(kv_benchmark name source)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
