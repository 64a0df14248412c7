# Builds only the tests labelled "threads" (what the ThreadSanitizer run needs).
add_custom_target(ly_thread_tests)

# ly_add_qt_test(NAME <name> LABEL <layer> SOURCES <files...> [LIBRARIES <targets...>] [TIMEOUT <s>])
# Builds one Qt Test executable and registers it with CTest under the layer's label.
function(ly_add_qt_test)
  cmake_parse_arguments(ARG "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_LABEL OR NOT ARG_SOURCES)
    message(FATAL_ERROR "ly_add_qt_test needs NAME, LABEL and SOURCES")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ly_settings ly_test_support Qt6::Test ${ARG_LIBRARIES})
  target_compile_definitions(${ARG_NAME} PRIVATE
    LY_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
  set_tests_properties(${ARG_NAME} PROPERTIES
    LABELS "${ARG_LABEL};${ARG_LABELS}"
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(ly_thread_tests ${ARG_NAME})
  endif()
endfunction()
