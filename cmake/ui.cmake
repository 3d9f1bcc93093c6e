# The windows: Qt 6 Widgets, the classic controls and the three windows.
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/windows/*.cpp ${CMAKE_SOURCE_DIR}/src/windows/*.h)
list(FILTER UI_SOURCES EXCLUDE REGEX "_test\\.cpp$")
varnel_tests(UI_TESTS windows)

add_library(varnel_windows STATIC ${UI_SOURCES})
target_link_libraries(varnel_windows PUBLIC varnel_core Qt6::Widgets Qt6::Svg)
# The windows program is installed out of the way (varnel starts it), and the help is found from
# it: both paths are relative, so an installation under any prefix works.
set(VARNEL_INSTALL_WINDOWSDIR ${CMAKE_INSTALL_LIBEXECDIR}/varnel)
set(VARNEL_INSTALL_HELPDIR ${CMAKE_INSTALL_DATADIR}/varnel)
file(RELATIVE_PATH windows_from_bindir ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/varnel/varnel-windows)
file(RELATIVE_PATH helpdir_from_windowsdir ${CMAKE_INSTALL_FULL_LIBEXECDIR}/varnel ${CMAKE_INSTALL_FULL_DATADIR}/varnel)
target_compile_definitions(varnel_windows PRIVATE VARNEL_HELPDIR_FROM_PROGRAMDIR="${helpdir_from_windowsdir}")
target_compile_definitions(varnel PRIVATE VARNEL_WINDOWS_PROGRAM="${windows_from_bindir}")

# The resources are compiled into each program (a static library would drop them).
set(UI_RESOURCES ${CMAKE_SOURCE_DIR}/resources/varnel.qrc)
add_executable(varnel-windows src/windows_main.cpp ${UI_RESOURCES})
target_link_libraries(varnel-windows varnel_windows varnel_cli)
add_dependencies(varnel varnel-windows)

if(BUILD_TESTING)
  # The command line never loads Qt; without a subcommand varnel starts the windows program,
  # seen here by Qt's complaint about a window system that does not exist.
  add_test(NAME Program.CommandLineNeedsNoQt
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:varnel> -P ${CMAKE_SOURCE_DIR}/cmake/check_no_qt.cmake)
  # (Qt then aborts the program: the shell keeps that from failing the test.)
  add_test(NAME Program.StartsTheWindowsWithoutASubcommand
           COMMAND sh -c "\"$0\" --prefix \"$1\" 2>&1; true" $<TARGET_FILE:varnel> ${CMAKE_BINARY_DIR}/CMakeCache.txt/no-prefix)
  set_tests_properties(Program.StartsTheWindowsWithoutASubcommand PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=varnel-no-such-window-system;HOME=${CMAKE_BINARY_DIR}/CMakeCache.txt/home"
    PASS_REGULAR_EXPRESSION "varnel-no-such-window-system")
endif()

if(UI_TESTS AND BUILD_TESTING)
  # Shortcut keys reach the windows through Qt's shortcut map, which only QTest's key events pass.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(ui_tests ${UI_TESTS} ${CMAKE_SOURCE_DIR}/src/testsupport/qt_test_main.cpp ${UI_RESOURCES})
  target_link_libraries(ui_tests varnel_windows varnel_cli varnel_testsupport GTest::gtest Qt6::Test)
  gtest_discover_tests(ui_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

if(VARNEL_BUILD_BENCHMARKS)
  add_executable(bench_minimal_label bench/minimal_label.cpp)
  target_link_libraries(bench_minimal_label Qt6::Widgets)
  add_executable(bench_bookmarks_window bench/bench_bookmarks_window.cpp ${UI_RESOURCES})
  target_link_libraries(bench_bookmarks_window varnel_windows)
endif()
