# The windows: Qt 6 Widgets, the classic controls and the three windows.
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB UI_CANDIDATES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/widgets/*.cpp
  ${CMAKE_SOURCE_DIR}/src/*/*_window.cpp
  ${CMAKE_SOURCE_DIR}/src/*/*_ui.cpp)
set(UI_SOURCES "")
set(UI_TESTS "")
foreach(f IN LISTS UI_CANDIDATES)
  if(f MATCHES "_test\\.cpp$")
    list(APPEND UI_TESTS ${f})
  else()
    list(APPEND UI_SOURCES ${f})
  endif()
endforeach()
file(GLOB UI_WINDOW_TESTS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/*/*_window_test.cpp
  ${CMAKE_SOURCE_DIR}/src/*/*_ui_test.cpp)
list(APPEND UI_TESTS ${UI_WINDOW_TESTS})
file(GLOB UI_HEADERS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/widgets/*.h
  ${CMAKE_SOURCE_DIR}/src/*/*_window.h
  ${CMAKE_SOURCE_DIR}/src/*/*_ui.h)

add_library(varnel_ui STATIC ${UI_SOURCES} ${UI_HEADERS})
target_link_libraries(varnel_ui PUBLIC varnel_core Qt6::Widgets Qt6::Svg)
target_compile_definitions(varnel_ui PRIVATE VARNEL_HELPDIR_FROM_BINDIR="${VARNEL_HELPDIR_FROM_BINDIR}")

# The resources are compiled into each program (a static library would drop them).
set(UI_RESOURCES ${CMAKE_SOURCE_DIR}/resources/varnel.qrc)
add_executable(varnel src/app/main.cpp ${UI_RESOURCES})
target_link_libraries(varnel varnel_ui)
target_compile_definitions(varnel PRIVATE VARNEL_WITH_UI=1)

if(UI_TESTS AND BUILD_TESTING)
  # Shortcut keys reach the windows through Qt's shortcut map, which only QTest's key events pass.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(ui_tests ${UI_TESTS} ${CMAKE_SOURCE_DIR}/src/testsupport/qt_test_main.cpp ${UI_RESOURCES})
  target_link_libraries(ui_tests varnel_ui varnel_testsupport GTest::gtest Qt6::Test)
  gtest_discover_tests(ui_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

if(VARNEL_BUILD_BENCHMARKS)
  add_executable(bench_minimal_label bench/minimal_label.cpp)
  target_link_libraries(bench_minimal_label Qt6::Widgets)
  add_executable(bench_bookmarks_window bench/bench_bookmarks_window.cpp ${UI_RESOURCES})
  target_link_libraries(bench_bookmarks_window varnel_ui)
endif()
