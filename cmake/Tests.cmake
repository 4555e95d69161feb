# Tests (GoogleTest, run by ctest through Wine) and the benchmark.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# The folder the engine and dialog tests work in, laid out before they run.
set(VORLIX_TEST_FOLDER ${PROJECT_SOURCE_DIR}/build/wineprefix/drive_c/vorlix-tests)
add_test(NAME TestFolder.LayOut COMMAND bash ${PROJECT_SOURCE_DIR}/tests/test-folders.sh ${VORLIX_TEST_FOLDER})
add_test(NAME TestFolder.Remove COMMAND bash ${PROJECT_SOURCE_DIR}/tests/test-folders.sh ${VORLIX_TEST_FOLDER} --remove)
set_tests_properties(TestFolder.LayOut PROPERTIES FIXTURES_SETUP folders)
set_tests_properties(TestFolder.Remove PROPERTIES FIXTURES_CLEANUP folders)
add_test(NAME Suite.HasNoPowersOverModes COMMAND bash ${PROJECT_SOURCE_DIR}/tests/as-any-user.sh)

add_executable(engine_tests
    tests/NameListTest.cpp
    seams/ImportPatch.cpp
    tests/FileCollectorTest.cpp
    tests/ConfinedDeleteTest.cpp
    tests/FolderBoundTest.cpp
    tests/IntermediatesTest.cpp
    tests/CleaningRunTest.cpp
    tests/PluralTest.cpp)
target_link_libraries(engine_tests PRIVATE vorlix_engine vorlix_console gtest_main shlwapi)
vorlix_code(engine_tests)
gtest_discover_tests(engine_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 60 FIXTURES_REQUIRED folders)

add_executable(vorlix_bench bench/CleaningBench.cpp bench/Contenders.cpp bench/BenchTree.cpp bench/StepTimes.cpp
    bench/UnixShell.cpp seams/ImportPatch.cpp)
target_link_libraries(vorlix_bench PRIVATE vorlix_engine psapi)
vorlix_code(vorlix_bench)

# The dialogs, run for real: they need the X display that scripts/test gives.
add_executable(ui_tests
    tests/DialogDriver.cpp
    tests/MainDialogTest.cpp
    tests/FolderPickerTest.cpp
    tests/MessageBoxTest.cpp
    tests/HyperLinkTest.cpp
    tests/AboutBoxTest.cpp
    ${VORLIX_RC})
target_link_libraries(ui_tests PRIVATE vorlix_app gtest_main)
vorlix_code(ui_tests)
gtest_discover_tests(ui_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK display TIMEOUT 60 FIXTURES_REQUIRED folders)
add_test(NAME MessageText.UnderAWesternCodePage COMMAND ui_tests --gtest_filter=MessageText.*)
set_tests_properties(MessageText.UnderAWesternCodePage PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;VORLIX_EXPECT_ACP=1252" RESOURCE_LOCK display TIMEOUT 60)

# The release exe (built first by scripts/test): its imports, its resources
# against those of the build the tests run, its version and its manifest;
# the console twin's imports; and the archive that scripts/release makes.
add_test(NAME ReleaseExe COMMAND sh -c "scripts/release >/dev/null && /usr/bin/python3 tests/release.py \
    build/win32/Vorlix.exe '$<TARGET_FILE:Vorlix>' tests/release-imports.txt build/win32/Vorlix.com tests/release-imports-com.txt"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})

# The real program driven from outside, as a person would.
add_executable(window_probe tests/WindowProbe.cpp)
target_link_options(window_probe PRIVATE -municode)
vorlix_code(window_probe)
add_test(NAME EndToEnd COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e.sh
    $<TARGET_FILE:Vorlix> $<TARGET_FILE:window_probe>)
set_tests_properties(EndToEnd PROPERTIES RESOURCE_LOCK display TIMEOUT 180)

# The console twin, run as a script runs it.
add_test(NAME ConsoleTwin COMMAND bash ${PROJECT_SOURCE_DIR}/tests/console.sh $<TARGET_FILE:VorlixConsole>)
set_tests_properties(ConsoleTwin PROPERTIES TIMEOUT 120)
# A twin made meanwhile where the file system's clock keeps whole seconds;
# skipped where this machine lets the test mount none.
add_test(NAME ConsoleTwin.WholeSeconds COMMAND bash ${PROJECT_SOURCE_DIR}/tests/whole-seconds.sh $<TARGET_FILE:VorlixConsole>)
set_tests_properties(ConsoleTwin.WholeSeconds PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# The release itself, as users get it, and the engine tests built as a
# 32-bit program (preset win32-tests), in the release's WoW64 prefix; skipped
# where this machine cannot run 32-bit programs (tests/release32.sh).
set(VORLIX_RELEASE ${PROJECT_SOURCE_DIR}/build/win32)
add_test(NAME EndToEnd.Release COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release32.sh
    bash ${PROJECT_SOURCE_DIR}/tests/e2e.sh ${VORLIX_RELEASE}/Vorlix.exe $<TARGET_FILE:window_probe>)
add_test(NAME ConsoleTwin.Release COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release32.sh
    bash ${PROJECT_SOURCE_DIR}/tests/console.sh ${VORLIX_RELEASE}/Vorlix.com)
add_test(NAME ConsoleTwin.WholeSeconds.Release COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release32.sh
    bash ${PROJECT_SOURCE_DIR}/tests/whole-seconds.sh ${VORLIX_RELEASE}/Vorlix.com)
add_test(NAME EngineTests.32bit COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release32.sh
    bash ${PROJECT_SOURCE_DIR}/tests/engine32.sh ${PROJECT_SOURCE_DIR}/build/win32-tests/engine_tests.exe)
# One at a time: they share the prefix, whose server each ends when it is done.
# Those that show no window get no display: the prefix's desktop would come
# up over the one where the dialog tests point and click.
set_tests_properties(EndToEnd.Release ConsoleTwin.Release ConsoleTwin.WholeSeconds.Release EngineTests.32bit
    PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240
    RESOURCE_LOCK prefix32)
set_tests_properties(ConsoleTwin.Release ConsoleTwin.WholeSeconds.Release EngineTests.32bit PROPERTIES ENVIRONMENT "DISPLAY=")
set_tests_properties(EndToEnd.Release PROPERTIES RESOURCE_LOCK "display;prefix32")

# The release and its archive are reproducible: built again in another
# folder, the same bytes.
set(VORLIX_AGAIN ${CMAKE_BINARY_DIR}/release-again)
add_test(NAME ReleaseIsReproducible COMMAND sh -c
    "scripts/release >/dev/null && scripts/release '${VORLIX_AGAIN}' >/dev/null && for f in Vorlix.exe Vorlix.com Vorlix-*.zip Vorlix-*.zip.sha256; do cmp build/win32/$f '${VORLIX_AGAIN}'/$f || exit 1; done"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(ReleaseIsReproducible PROPERTIES TIMEOUT 300)
