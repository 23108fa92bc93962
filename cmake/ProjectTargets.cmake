# Project-wide target helpers: every library, executable and test goes through
# these so warnings, sanitizers and visibility are set in one place.
include_guard(GLOBAL)

set(APROP_WARNINGS -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    -Wold-style-cast -Woverloaded-virtual -Wnull-dereference -Wno-missing-field-initializers)

# Texts cross into QString only through explicit, encoding-aware calls, and a
# chain of QString concatenations allocates its result once. Harmless to the
# targets that do not use Qt, so every target gets them.
set(APROP_QT_DEFINES QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)

function(aprop_apply_common target)
  target_compile_options(${target} PRIVATE ${APROP_WARNINGS})
  target_compile_definitions(${target} PRIVATE ${APROP_QT_DEFINES})
  if(APROP_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(APROP_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(APROP_SANITIZE_THREAD)
    # GCC warns that ThreadSanitizer does not model the fences of Asio's
    # handler calls; the scheduler's own locking orders them all the same.
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer $<$<CXX_COMPILER_ID:GNU>:-Wno-tsan>)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
  if(APROP_FUZZ)
    # Coverage for the fuzzer in every library it reaches; its main only in the fuzz targets.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# aprop_library(NAME [SHARED|STATIC] SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
function(aprop_library name)
  cmake_parse_arguments(ARG "SHARED;STATIC" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "aprop_library(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    if(NOT APROP_SANITIZE)
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  aprop_apply_common(${name})
endfunction()

# aprop_executable(NAME SOURCES ... [LIBS ...])
function(aprop_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "aprop_executable(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  aprop_apply_common(${name})
endfunction()

# aprop_test(NAME SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT seconds]) — a
# GoogleTest executable registered with CTest, one test per test case, each
# carrying every one of LABELS.
function(aprop_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "aprop_test(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  aprop_apply_common(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS
                       PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_LABELS)
    # gtest_discover_tests flattens the values of its PROPERTIES into one
    # list, so a list of labels would keep only its first element. The
    # labels are set instead by a script CTest reads after the discovered
    # tests, over the list of their names that the discovery leaves behind.
    set(labels_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${labels_script}
         "if(DEFINED ${name}_TESTS)\n"
         "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${ARG_LABELS}\")\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_script})
  endif()
endfunction()
