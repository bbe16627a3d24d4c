# brenvik_add_tests(LIBS <targets...> [GUI])
#
# Every *_test.cpp file of the calling folder becomes one test program; the
# folder's other .cpp files are shared helpers linked into each of them.
# GUI test programs get a QApplication main and the ctest label "gui".
# Every test program also gets the shared helpers of tests/support/ (a
# comma-decimal locale: tests/support/comma_locale.h).
function(brenvik_add_tests)
  cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(helpers ${all_sources})
  if(tests)
    list(REMOVE_ITEM helpers ${tests})
  endif()
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    set(target ${layer}_${name})
    add_executable(${target} ${test_source} ${helpers} ${PROJECT_SOURCE_DIR}/tests/support/comma_locale.cpp)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE
      BRENVIK_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples"
      BRENVIK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    if(ARG_GUI)
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/gui_main.cpp)
      target_link_libraries(${target} PRIVATE Qt6::Widgets Qt6::Gui Qt6::OpenGL Qt6::Test)
      add_test(NAME ${target} COMMAND ${target})
      # Tests on one display share its pointer and keyboard focus: never run
      # two of them at once, even under ctest -j.
      set_tests_properties(${target} PROPERTIES LABELS gui RESOURCE_LOCK display)
    else()
      target_link_libraries(${target} PRIVATE GTest::gtest_main)
      add_test(NAME ${target} COMMAND ${target})
    endif()
  endforeach()
endfunction()
