# Common build settings and one-line registration of tests, fuzzers and benchmarks.

add_library(zolt_options INTERFACE)
target_compile_options(zolt_options INTERFACE -Wall -Wextra $<$<BOOL:${ZOLT_WERROR}>:-Werror>)
if(ZOLT_SANITIZE)
  target_compile_options(zolt_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined)
  target_link_options(zolt_options INTERFACE -fsanitize=address,undefined)
endif()

# zolt_headers(TARGET SCOPE FOLDER [FILES...]): the headers of FOLDER (all, or only FILES) become
# includable as "FOLDER/name.h" for TARGET, and by SCOPE for what links it. Each target gets an
# include root of its own under build/include/ holding links to just those headers, so that a
# header of a folder it does not link is not found.
function(zolt_headers target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  set(links "")
  if(ARGN)
    foreach(file IN LISTS ARGN)
      list(APPEND links ${folder}/${file})
    endforeach()
  else()
    set(links ${folder})
  endif()
  foreach(link IN LISTS links)
    get_filename_component(parent ${root}/${link} DIRECTORY)
    # A folder linked whole by an earlier configuration must not receive links of its own: they
    # would land in the source folder.
    if(IS_SYMLINK ${parent})
      file(REMOVE ${parent})
    endif()
    file(MAKE_DIRECTORY ${parent})
    set(current "")
    if(IS_SYMLINK ${root}/${link})
      file(READ_SYMLINK ${root}/${link} current)
    endif()
    if(NOT current STREQUAL "${CMAKE_SOURCE_DIR}/${link}")
      file(REMOVE ${root}/${link})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${link} ${root}/${link} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# zolt_library(NAME SOURCES... [LIBS ...] [PRIVATE_LIBS ...]): a static library of one folder, or
# of one layer of a folder (its engines, its dialogs), whose headers among SOURCES are included as
# "folder/name.h". LIBS are what its headers need (passed on to whatever links it), PRIVATE_LIBS
# what only its sources use.
function(zolt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT ARG_SOURCES)
    # A folder that has no code yet still offers its target to the others.
    add_library(${name} INTERFACE)
    zolt_headers(${name} INTERFACE ${folder})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  set(headers "")
  foreach(source IN LISTS ARG_SOURCES)
    if(source MATCHES "\\.h$")
      get_filename_component(header ${source} NAME)
      list(APPEND headers ${header})
    endif()
  endforeach()
  add_library(${name} STATIC ${ARG_SOURCES})
  zolt_headers(${name} PUBLIC ${folder} ${headers})
  target_link_libraries(${name} PUBLIC zolt_options ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# zolt_layer_sources(OUT FILES...): the sources of the calling folder (*.cpp *.h *.ui *.qrc),
# split in two: OUT the files named in FILES (a layer of the folder), OUT_REST the others.
function(zolt_layer_sources out)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  set(chosen "")
  foreach(file IN LISTS ARGN)
    list(APPEND chosen ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  endforeach()
  set(rest ${all})
  list(REMOVE_ITEM rest ${chosen})
  set(${out} ${chosen} PARENT_SCOPE)
  set(${out}_REST ${rest} PARENT_SCOPE)
endfunction()

# Tests that run over pseudo-terminals, start the tester simulator or the program itself: label
# "e2e". Every other test is labelled "unit" and runs in moments (ctest -L unit).
set(ZOLT_E2E_TESTS tst_link_end_to_end tst_link_line fuzz_notice_frames_replay tst_commvelanto
    tst_copy_end_to_end tst_tester_software_end_to_end tst_zoltctl_end_to_end tst_tester_sim
    tst_port_change tst_start_up tst_zoltctl_work_dir tst_tester_finder tst_unplugged_tester)
function(zolt_label_test name)
  if(name IN_LIST ZOLT_E2E_TESTS)
    set_tests_properties(${name} PROPERTIES LABELS e2e)
  else()
    set_tests_properties(${name} PROPERTIES LABELS unit)
  endif()
endfunction()

# The folders of test support headers that tests of other folders share ("link/tests/...").
set(ZOLT_TEST_SUPPORT link/tests software/tests transfer/tests)
function(zolt_test_support target)
  foreach(folder IN LISTS ZOLT_TEST_SUPPORT)
    if(EXISTS ${CMAKE_SOURCE_DIR}/${folder})
      zolt_headers(${target} PRIVATE ${folder})
    endif()
  endforeach()
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
  zolt_test_support(${name})
  target_compile_definitions(${name} PRIVATE ZOLT_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ZOLT_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # Tests never touch the user's registry of controls, nor the user's own working directory.
  set(env "QT_QPA_PLATFORM=offscreen;ZOLT_REGISTRY=${CMAKE_BINARY_DIR}/tests/registry.ini"
          "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/tests/data-home")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
  zolt_label_test(${name})
endfunction()

# zolt_fuzzer(NAME SOURCES... [LIBS ...] [SEEDS folders...]): a libFuzzer target with ZOLT_FUZZ
# (clang); otherwise a plain program, registered as the test NAME_replay, that replays its seeds
# (the folder corpus/NAME beside it and the SEEDS folders) and a fixed set of generated inputs.
function(zolt_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(ZOLT_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE zolt_options ${ARG_LIBS})
    zolt_test_support(${name})
    return()
  endif()
  if(NOT ZOLT_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE zolt_options ${ARG_LIBS})
  zolt_test_support(${name})
  list(TRANSFORM ARG_SEEDS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
    list(PREPEND ARG_SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  endif()
  add_test(NAME ${name}_replay COMMAND ${name} ${ARG_SEEDS})
  set_tests_properties(${name}_replay PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                 TIMEOUT 300)
  zolt_label_test(${name}_replay)
endfunction()

# zolt_needs(TARGET needed...): TARGET (a test or benchmark) is built and run only when every
# needed target is part of the build, and then after them. The needed targets may come from
# folders read later, so whether they are there is settled when the build files are written;
# with a narrowed ZOLT_FOLDERS a target whose needs are left out is left out too.
function(zolt_needs target)
  if(NOT TARGET ${target})
    return()
  endif()
  set(all "")
  foreach(need IN LISTS ARGN)
    list(APPEND all "$<TARGET_EXISTS:${need}>")
  endforeach()
  list(JOIN all "," all)
  set(missing "$<NOT:$<AND:${all}>>")
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL "${missing}")
  if(TEST ${target})
    set_tests_properties(${target} PROPERTIES DISABLED "${missing}")
  endif()
  # A deferred call's arguments are read when it runs: the values are written into it now.
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL \
                 zolt_depend_on_existing [[${target}]] ${ARGN})")
endfunction()

function(zolt_depend_on_existing target)
  foreach(need IN LISTS ARGN)
    if(TARGET ${need})
      add_dependencies(${target} ${need})
    else()
      message(STATUS "${target} is left out: it needs ${need}")
    endif()
  endforeach()
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
  zolt_test_support(${name})
endfunction()

if(ZOLT_FUZZ)
  # Fuzzed libraries need the fuzzer's coverage instrumentation too.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
endif()

# zolt_folder_tests(LIBS ... [SEEDS folders...]): registers every tst_*.cpp of the calling folder
# as a test, every fuzz_*.cpp as a fuzzer (SEEDS: test files that every fuzzer also starts from)
# and every bench_*.cpp as a benchmark, each linked with LIBS.
function(zolt_folder_tests)
  cmake_parse_arguments(ARG "" "" "LIBS;SEEDS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    zolt_test(${name} SOURCES ${src} LIBS ${ARG_LIBS})
  endforeach()
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_*.cpp)
  foreach(src IN LISTS fuzzers)
    get_filename_component(name ${src} NAME_WE)
    zolt_fuzzer(${name} SOURCES ${src} LIBS ${ARG_LIBS} SEEDS ${ARG_SEEDS})
  endforeach()
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench_*.cpp)
  foreach(src IN LISTS benches)
    get_filename_component(name ${src} NAME_WE)
    zolt_benchmark(${name} SOURCES ${src} LIBS ${ARG_LIBS})
  endforeach()
endfunction()
