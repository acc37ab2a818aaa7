# One interface target carries the language level, warnings and strict Qt macros for every
# library, executable and test of the project.
add_library(zorv_config INTERFACE)
target_compile_features(zorv_config INTERFACE cxx_std_20)
target_compile_options(zorv_config INTERFACE -Wall -Wextra -Wno-unused-parameter -Wno-trigraphs)
target_compile_definitions(zorv_config INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_STRICT_ITERATORS
  ZORV_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ZORV_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ZORV_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  ZORV_VERSION_REVISION=${PROJECT_VERSION_TWEAK})
if(ZORV_WERROR)
  target_compile_options(zorv_config INTERFACE -Werror)
endif()

# zorv_library(NAME <target> SOURCES ... LINKS ...): a static library of the program.
function(zorv_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/.." )
  target_link_libraries(${name} PUBLIC zorv_config ${ARG_LINKS})
endfunction()

# zorv_test(<name> SOURCES ... LINKS ... [LABELS ...] [TIMEOUT s]): one Qt Test executable,
# registered with CTest, run headless.
function(zorv_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zorv_config zorv_test_support Qt6::Test ${ARG_LINKS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.webenginecontext.debug=false")
endfunction()
