# Tests (GoogleTest, run by ctest through Wine) and the benchmark.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_executable(engine_tests
    tests/UnixShell.cpp
    tests/TestTree.cpp
    tests/NameListTest.cpp
    tests/FileCollectorTest.cpp
    tests/CleaningRunTest.cpp)
target_link_libraries(engine_tests PRIVATE vorlix_engine gtest_main)
vorlix_code(engine_tests)
gtest_discover_tests(engine_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

add_executable(vorlix_bench bench/CleaningBench.cpp tests/UnixShell.cpp)
target_link_libraries(vorlix_bench PRIVATE vorlix_engine)
vorlix_code(vorlix_bench)
