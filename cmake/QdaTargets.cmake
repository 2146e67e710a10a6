# Helpers every folder uses to declare its libraries, tests, fuzzers and benchmarks.
include(GoogleTest)
include(${CMAKE_CURRENT_LIST_DIR}/QdaLayers.cmake)

# qda_headless_library(<name> SOURCES ... [DEPS ...])
# A static library of headless code: links Qt Core at most, never Widgets. Its public include
# directory exposes its own folder only.
function(qda_headless_library name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    qda_public_folder(${name})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
    set_property(GLOBAL APPEND PROPERTY QDA_HEADLESS_LIBS ${name})
endfunction()

# qda_widget_library(<name> SOURCES ... [DEPS ...])
# A static library of Qt widgets (moc run on its headers); public include directory as above.
function(qda_widget_library name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    qda_public_folder(${name})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# qda_add_gtest(<target> SOURCES ... LIBS ... [LABELS label] [WIDGETS] [SANITIZE] [FIXTURE name])
# WIDGETS runs the tests on the offscreen platform; SANITIZE adds the target to the
# sanitizer-tests aggregate that the sanitizer presets build and run; FIXTURE makes every test
# need the ctest fixture `name` (set up by another test).
function(qda_add_gtest target)
    cmake_parse_arguments(A "WIDGETS;SANITIZE" "TIMEOUT;FIXTURE" "SOURCES;LIBS;LABELS" ${ARGN})
    # The fuzz build has no unit tests; the sanitizer builds only the tests marked SANITIZE.
    if(QDA_FUZZ OR (QDA_ONLY_SANITIZE_TESTS AND NOT A_SANITIZE))
        return()
    endif()
    add_executable(${target} ${A_SOURCES})
    target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
    # A test sees the folders of the libraries it links, and the test tree (support/, fixtures).
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # Test properties given to gtest_discover_tests are flattened into one list, so list
    # values (several labels, several variables) come apart. The environment therefore goes
    # through the test launcher, and each test carries exactly one label.
    set(env "QDA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests" "QDA_BIN_DIR=${PROJECT_BINARY_DIR}/bin"
            "QDA_LIB_DIR=${PROJECT_BINARY_DIR}/lib")
    set(label unit)
    if(A_WIDGETS)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
        set(label widgets)
    endif()
    if(A_SANITIZE)
        set(label sanitize)
        set_property(GLOBAL APPEND PROPERTY QDA_SANITIZE_TARGETS ${target})
    endif()
    if(A_LABELS)
        list(GET A_LABELS 0 label)
    endif()
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 120)
    endif()
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
    set_property(GLOBAL APPEND PROPERTY QDA_TEST_TARGETS ${target})
    set(fixture)
    if(A_FIXTURE)
        set(fixture FIXTURES_REQUIRED ${A_FIXTURE})
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${label} TIMEOUT ${A_TIMEOUT} ${fixture})
endfunction()

# qda_add_fuzzer(<target> SOURCES ... LIBS ... CORPUS <dir> [RUNS n])
# Only with QDA_FUZZ: a libFuzzer binary and a bounded ctest run over its seed corpus.
function(qda_add_fuzzer target)
    if(NOT QDA_FUZZ)
        return()
    endif()
    cmake_parse_arguments(A "" "CORPUS;RUNS" "SOURCES;LIBS" ${ARGN})
    if(NOT A_RUNS)
        set(A_RUNS 20000)
    endif()
    add_executable(${target} ${A_SOURCES})
    target_link_libraries(${target} PRIVATE ${A_LIBS})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    set_property(GLOBAL APPEND PROPERTY QDA_FUZZ_TARGETS ${target})
    # The corpus is copied so that the run never writes into the source tree.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}-corpus)
    add_test(NAME fuzz.${target}
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1
                sh -c "rm -rf '${work}' && mkdir -p '${work}' && cp -r '${A_CORPUS}'/. '${work}'/ && '$<TARGET_FILE:${target}>' -runs=${A_RUNS} -max_len=65536 -timeout=10 '${work}'")
    set_tests_properties(fuzz.${target} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# qda_add_benchmark(<target> SOURCES ... LIBS ...)
function(qda_add_benchmark target)
    if(NOT QDA_BENCH)
        return()
    endif()
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${target} ${A_SOURCES})
    target_link_libraries(${target} PRIVATE ${A_LIBS} benchmark::benchmark Threads::Threads)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()

# Aggregates: `fuzzers` builds every fuzz target, `sanitize-tests` every test marked SANITIZE.
# Also checks that no headless library pulls in Qt Widgets.
function(qda_finish_aggregate_targets)
    # Every library of the product folders links only what its README allows.
    qda_check_layers(resources windowing settings comm storage chart usbwire usbdriver usblib simulator monitor
                     pages app cli help)
    get_property(fuzz GLOBAL PROPERTY QDA_FUZZ_TARGETS)
    add_custom_target(fuzzers)
    if(fuzz)
        add_dependencies(fuzzers ${fuzz})
    endif()
    get_property(san GLOBAL PROPERTY QDA_SANITIZE_TARGETS)
    add_custom_target(sanitize-tests)
    if(san)
        add_dependencies(sanitize-tests ${san})
    endif()
    get_property(headless GLOBAL PROPERTY QDA_HEADLESS_LIBS)
    foreach(lib ${headless})
        get_target_property(deps ${lib} LINK_LIBRARIES)
        if(deps)
            foreach(d ${deps})
                if(d MATCHES "Widgets|Qt6::Gui")
                    message(FATAL_ERROR "${lib} is headless and must not link ${d}")
                endif()
            endforeach()
        endif()
    endforeach()
endfunction()
