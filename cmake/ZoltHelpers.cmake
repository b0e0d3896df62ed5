# Common build settings and one-line registration of tests, fuzzers and benchmarks.

add_library(zolt_options INTERFACE)
target_compile_options(zolt_options INTERFACE -Wall -Wextra $<$<BOOL:${ZOLT_WERROR}>:-Werror>)
if(ZOLT_SANITIZE)
  target_compile_options(zolt_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined)
  target_link_options(zolt_options INTERFACE -fsanitize=address,undefined)
endif()

# zolt_library(NAME SOURCES... [LIBS ...]): a static library for one folder.
function(zolt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A folder that has no code yet still offers its target to the others.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC zolt_options ${ARG_LIBS})
endfunction()

# zolt_test(NAME SOURCES... [LIBS ...] [GUI]): a Qt Test executable registered with CTest.
# GUI tests run on the offscreen platform so that they need no display.
function(zolt_test name)
  if(NOT ZOLT_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE zolt_options Qt6::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE ZOLT_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ZOLT_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # Tests never touch the user's registry of controls.
  set(env "QT_QPA_PLATFORM=offscreen;ZOLT_REGISTRY=${CMAKE_BINARY_DIR}/tests/registry.ini")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()

# zolt_fuzzer(NAME SOURCES... [LIBS ...]): a libFuzzer target with ZOLT_FUZZ (clang); otherwise
# a plain program that replays the seed folder tests/corpus/NAME (when there is one) and a fixed
# set of generated inputs, registered as the test NAME_replay.
function(zolt_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(ZOLT_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE zolt_options ${ARG_LIBS})
    return()
  endif()
  if(NOT ZOLT_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE zolt_options ${ARG_LIBS})
  add_test(NAME ${name}_replay COMMAND ${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set_tests_properties(${name}_replay PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                 TIMEOUT 300)
endfunction()

# zolt_benchmark(NAME SOURCES... [LIBS ...]): a Google Benchmark executable in bin/.
function(zolt_benchmark name)
  if(NOT ZOLT_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zolt_options benchmark::benchmark ${ARG_LIBS})
endfunction()

if(ZOLT_FUZZ)
  # Fuzzed libraries need the fuzzer's coverage instrumentation too.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
endif()

# zolt_folder_tests(LIBS ...): registers every tst_*.cpp of the calling folder as a test, every
# fuzz_*.cpp as a fuzzer and every bench_*.cpp as a benchmark, each linked with LIBS.
function(zolt_folder_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    zolt_test(${name} SOURCES ${src} LIBS ${ARG_LIBS} Qt6::Widgets)
  endforeach()
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_*.cpp)
  foreach(src IN LISTS fuzzers)
    get_filename_component(name ${src} NAME_WE)
    zolt_fuzzer(${name} SOURCES ${src} LIBS ${ARG_LIBS})
  endforeach()
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench_*.cpp)
  foreach(src IN LISTS benches)
    get_filename_component(name ${src} NAME_WE)
    zolt_benchmark(${name} SOURCES ${src} LIBS ${ARG_LIBS})
  endforeach()
endfunction()
