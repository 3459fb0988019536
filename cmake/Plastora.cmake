# plastora_library(NAME DEPS...): one static library per source folder, made of
# every .cpp in that folder (and below). Include paths are rooted at src/, so
# code includes "core/xml.h", "image/border.h" and so on.
function(plastora_library name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(plastora_${name} STATIC ${sources})
  target_include_directories(plastora_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(plastora_${name} PUBLIC ${ARGN})
endfunction()

# plastora_tests(FOLDER LIBS...): every tests/FOLDER/test_*.cpp becomes its own
# test executable, registered with CTest case by case.
function(plastora_tests folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/test_*.cpp)
  foreach(src ${sources})
    get_filename_component(stem ${src} NAME_WE)
    set(target ${folder}_${stem})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${ARGN} plastora_testsupport GTest::gtest GTest::gtest_main)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # Tests that open real windows share one X server and its pointer: they
    # take turns, so that one test's pointer moves never reach another's window.
    set(display_lock "")
    if(stem MATCHES "xvfb|sdl_window|gl_device")
      set(display_lock RESOURCE_LOCK display)
    endif()
    gtest_discover_tests(${target}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      PROPERTIES ENVIRONMENT "PLASTORA_APP_DIR=${PLASTORA_APP_DIR}"
                 ENVIRONMENT_MODIFICATION "PLASTORA_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}"
                 ${display_lock}
      DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()
