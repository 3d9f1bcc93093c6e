# The windows: Qt 6 Widgets, the classic controls and the three windows.
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/windows/*.cpp ${CMAKE_SOURCE_DIR}/src/windows/*.h)
list(FILTER UI_SOURCES EXCLUDE REGEX "_test\\.cpp$")
varnel_tests(UI_TESTS windows)

add_library(varnel_windows STATIC ${UI_SOURCES})
target_link_libraries(varnel_windows PUBLIC varnel_core Qt6::Widgets Qt6::Svg)
target_compile_definitions(varnel_windows PRIVATE VARNEL_HELPDIR_FROM_BINDIR="${VARNEL_HELPDIR_FROM_BINDIR}")

# The resources are compiled into each program (a static library would drop them).
set(UI_RESOURCES ${CMAKE_SOURCE_DIR}/resources/varnel.qrc)
add_executable(varnel src/main.cpp ${UI_RESOURCES})
target_link_libraries(varnel varnel_windows varnel_cli)
target_compile_definitions(varnel PRIVATE VARNEL_WITH_UI=1)

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
