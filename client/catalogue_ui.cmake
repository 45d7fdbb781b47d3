# The catalogue as the main window shows it: navigation groups and quick bars
# built with the catalogue pass, the actions of their clicks, the history panel,
# the search, the recommendation columns and the channel home page, in
# quorvi_client_catalogue_ui (the main window links it). Included from
# client/CMakeLists.txt.
#
# Sections: library | tests | benchmark

# Everything here works on the widget layer's controls.
if(NOT TARGET quorvi_ui_core)
  return()
endif()

# ---- library ---------------------------------------------------------------------------
add_library(quorvi_client_catalogue_ui STATIC
  catalogue/browser_event_handler.cpp
  catalogue/catalogue_rows.cpp
  catalogue/catalogue_view.cpp
  catalogue/history_panel.cpp
  catalogue/home_page.cpp
  catalogue/navigation_builder.cpp
  catalogue/recommendations.cpp
  catalogue/search.cpp
)
target_link_libraries(quorvi_client_catalogue_ui
  PUBLIC quorvi_client_core quorvi_ui_core quorvi_platform)

# ---- tests -----------------------------------------------------------------------------
quorvi_add_test(client_catalogue_ui_tests
  SOURCES
    catalogue/browser_event_handler_test.cpp
    catalogue/navigation_builder_test.cpp
    catalogue/catalogue_view_test.cpp
    catalogue/catalogue_lists_test.cpp
  LIBS quorvi_client_catalogue_ui
  LABELS ui)
target_compile_definitions(client_catalogue_ui_tests PRIVATE
  QUORVI_SKIN_DIR="${CMAKE_SOURCE_DIR}/skin/quorvi")

# ---- benchmark -------------------------------------------------------------------------
quorvi_add_benchmark(catalogue_search_bench
  SOURCES catalogue/search_bench.cpp
  LIBS quorvi_client_catalogue_ui)

# ---- the catalogue in the real main window ---------------------------------------------
# The main window (program.cmake, included after this file) links the library above.
quorvi_add_test(client_catalogue_window_tests
  SOURCES catalogue/main_window_catalogue_test.cpp
  LIBS quorvi_client_shell
  LABELS ui)
target_compile_definitions(client_catalogue_window_tests PRIVATE
  QUORVI_SKIN_DIR="${CMAKE_SOURCE_DIR}/skin/quorvi")
