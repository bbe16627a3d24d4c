# brenvik_add_tests(LABEL unit|gui TIMEOUT <seconds> LIBS <targets...>)
#
# Every *_test.cpp file of the calling folder becomes one test program,
# registered with ctest under the label and with its own timeout; the folder's
# other .cpp files are shared helpers linked into each of them. Every test
# program links the shared helpers of tests/support (brenvik_test_support).
# "gui" programs get a QApplication main and never run two at once: tests on
# one display share its pointer and keyboard focus, even under ctest -j.
function(brenvik_add_tests)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "LIBS" ${ARGN})
  if(NOT ARG_LABEL STREQUAL "unit" AND NOT ARG_LABEL STREQUAL "gui")
    message(FATAL_ERROR "brenvik_add_tests: LABEL must be unit or gui, not '${ARG_LABEL}'")
  endif()
  if(NOT ARG_TIMEOUT)
    message(FATAL_ERROR "brenvik_add_tests: every test program needs a TIMEOUT")
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT tests)
    message(FATAL_ERROR "brenvik_add_tests: no *_test.cpp in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(helpers ${all_sources})
  list(REMOVE_ITEM helpers ${tests})
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    set(target ${layer}_${name})
    add_executable(${target} ${test_source} ${helpers})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} brenvik_test_support GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE
      BRENVIK_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples"
      BRENVIK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABEL STREQUAL "gui")
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/gui_main.cpp)
      target_link_libraries(${target} PRIVATE Qt6::Widgets Qt6::Gui Qt6::OpenGL Qt6::Test)
      set_tests_properties(${target} PROPERTIES RESOURCE_LOCK display)
    else()
      target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
  endforeach()
endfunction()
