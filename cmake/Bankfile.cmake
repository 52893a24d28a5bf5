# bankfile_library(<target> [DEPS <targets...>])
# A static library from the .cpp/.h/.ui/.qrc files of the calling folder. Headers are included
# by their path from the project root ("platform/db/DataSet.h").
function(bankfile_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# bankfile_tests(LIBS <targets...>)
# One test executable per test_*.cpp of the calling folder, registered with ctest, run offscreen.
function(bankfile_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB _helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/helper_*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/helper_*.h)
  file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" _prefix "${_rel}")
  foreach(_t IN LISTS _tests)
    get_filename_component(_name ${_t} NAME_WE)
    set(_exe ${_prefix}_${_name})
    add_executable(${_exe} ${_t} ${_helpers})
    target_link_libraries(${_exe} PRIVATE ${ARG_LIBS} Qt6::Test)
    target_include_directories(${_exe} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(${_exe} PRIVATE
        BANKFILE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        BANKFILE_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
    add_test(NAME ${_exe} COMMAND ${_exe})
    set_tests_properties(${_exe} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
        TIMEOUT 600)
  endforeach()
endfunction()
