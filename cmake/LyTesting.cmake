# Builds only the tests labelled "threads" (what the ThreadSanitizer run needs).
add_custom_target(ly_thread_tests)

# Every test runs with HOME in this folder, which holds a sentinel preferences file; the fixture
# LyFakeHome (tests/CMakeLists.txt) makes it before the tests and checks it after them.
set(LY_FAKE_HOME "${PROJECT_BINARY_DIR}/tests/fake-home")

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
    FIXTURES_REQUIRED LyFakeHome
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${LY_FAKE_HOME};XDG_CONFIG_HOME=${LY_FAKE_HOME}/.config;XDG_DATA_HOME=${LY_FAKE_HOME}/.local/share;XDG_CACHE_HOME=${LY_FAKE_HOME}/.cache")
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(ly_thread_tests ${ARG_NAME})
  endif()
endfunction()
