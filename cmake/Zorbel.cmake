# zorbel_library(<name> DIRS <folders...> DEPS <targets...>)
# A static library of every .cpp/.h directly inside the named folders
# (sub-folders are not descended into; they are libraries of their own).
function(zorbel_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND srcs ${found})
  endforeach()
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  # AUTOMOC runs again only when a list file changes, not when the glob finds
  # a new header; this generated list file changes exactly then.
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/zorbel_sources/${name}.cmake
    CONTENT "# Sources of ${name}: ${srcs}\n")
  include(${CMAKE_BINARY_DIR}/zorbel_sources/${name}.cmake)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# zorbel_tests(<folder> LIBS <targets...>)
# One test program per tst_*.cpp in tests/<folder>; each runs under ctest with
# the offscreen platform and a bounded time.
function(zorbel_tests folder)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/tst_*.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(base ${src} NAME_WE)
    set(target ${folder}_${base})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} zorbel_fixtures Qt6::Test)
    target_compile_definitions(${target} PRIVATE ${ZORBEL_TEST_DEFINITIONS})
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "${ZORBEL_TEST_ENVIRONMENT}")
  endforeach()
endfunction()
