# The client's worker threads: the thread base, the home page content fetch and
# the application list and icon update, in quorvi_client_workers (no window of
# its own; the main window links it). Included from client/CMakeLists.txt.
#
# Sections: library | tests | benchmark
pkg_check_modules(WORKERS_CURL REQUIRED IMPORTED_TARGET libcurl)

# ---- library ---------------------------------------------------------------------------
add_library(quorvi_client_workers STATIC
  account/thread.cpp
  update/update_apps_thread.cpp
)
target_link_libraries(quorvi_client_workers
  PUBLIC quorvi_client_core merv_static quorvi_platform Threads::Threads
  PRIVATE PkgConfig::WORKERS_CURL)

# The content fetch reports to a window, so it needs the widget layer's messages.
if(TARGET quorvi_ui_core)
  target_sources(quorvi_client_workers PRIVATE account/http_content_thread.cpp)
  target_link_libraries(quorvi_client_workers PUBLIC quorvi_ui_core)
endif()

# ---- tests -----------------------------------------------------------------------------
# The integration tests start the portal stand-in (built into the program folder)
# on a free loopback port with a copy of its demo data.
set(WORKERS_TEST_SOURCES account/thread_test.cpp update/update_apps_thread_test.cpp)
if(TARGET quorvi_ui_core AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/account/http_content_thread_test.cpp)
  list(APPEND WORKERS_TEST_SOURCES account/http_content_thread_test.cpp)
endif()
quorvi_add_test(client_worker_tests
  SOURCES ${WORKERS_TEST_SOURCES}
  LIBS quorvi_client_workers
  LABELS integration)
target_compile_definitions(client_worker_tests PRIVATE
  QUORVI_PORTAL_PROGRAM="${QUORVI_DIST_DIR}/quorvi-portal"
  QUORVI_PORTAL_DEMO_DATA="${CMAKE_SOURCE_DIR}/portal/data")

# The portal folder is added after this one: tie the tests to its program once
# every folder is known.
function(quorvi_workers_tests_need_portal)
  if(TARGET quorvi-portal)
    add_dependencies(client_worker_tests quorvi-portal)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL quorvi_workers_tests_need_portal)

# ---- benchmark -------------------------------------------------------------------------
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/update/icon_update_bench.cpp)
  quorvi_add_benchmark(icon_update_bench
    SOURCES update/icon_update_bench.cpp
    LIBS quorvi_client_workers)
endif()
