# brenvik_add_tests(LABEL unit|gui TIMEOUT <seconds> LIBS <targets...>
#                   [DEFINITIONS <definitions...>] [EXCLUDE <names...>])
#
# Every *_test.cpp file of the calling folder becomes one test program,
# registered with ctest under the label and with its own timeout. The folder's
# other .cpp files are its shared helpers: they are compiled once, into the
# object library <folder>_test_helpers (moc runs there, once, for their
# headers), which every program of the folder links. Every test program also
# links the shared helpers of tests/support (brenvik_test_support).
# DEFINITIONS are compile definitions for the helpers and the programs alike.
# EXCLUDE names test files (without .cpp) that this build leaves out.
# The programs themselves run no moc: a class with Q_OBJECT belongs in a
# helper's header.
#
# "gui" programs get a QApplication main (brenvik_gui_main, compiled once in
# tests/support) and never run two at once: tests on one display share its
# pointer and keyboard focus, even under ctest -j.
function(brenvik_add_tests)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "LIBS;DEFINITIONS;EXCLUDE" ${ARGN})
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
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM tests ${CMAKE_CURRENT_SOURCE_DIR}/${excluded}.cpp)
  endforeach()
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)

  # What the helpers and the programs are compiled and linked with.
  set(libs ${ARG_LIBS} brenvik_test_support GTest::gtest GTest::gmock)
  if(ARG_LABEL STREQUAL "gui")
    list(APPEND libs Qt6::Widgets Qt6::Gui Qt6::OpenGL Qt6::Test)
  endif()
  set(definitions ${ARG_DEFINITIONS}
    BRENVIK_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples"
    BRENVIK_BINARY_DIR="${PROJECT_BINARY_DIR}")

  set(helper_library)
  if(helpers)
    set(helper_library ${layer}_test_helpers)
    add_library(${helper_library} OBJECT ${helpers})
    target_include_directories(${helper_library} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${helper_library} PRIVATE ${libs})
    target_compile_definitions(${helper_library} PRIVATE ${definitions})
  endif()

  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    set(target ${layer}_${name})
    add_executable(${target} ${test_source})
    # The helpers' moc output is in their object library; a second run here
    # would define their meta-objects twice.
    set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${helper_library} ${libs})
    target_compile_definitions(${target} PRIVATE ${definitions})
    add_test(NAME ${target} COMMAND ${target})
    set(timeout ${ARG_TIMEOUT})
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      # An emulator (qemu-user for arm64) runs the programs several times slower.
      math(EXPR timeout "${timeout} * 5")
    endif()
    set_tests_properties(${target} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${timeout})
    if(ARG_LABEL STREQUAL "gui")
      target_link_libraries(${target} PRIVATE brenvik_gui_main)
      set_tests_properties(${target} PROPERTIES RESOURCE_LOCK display)
    else()
      target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
  endforeach()
endfunction()
