# The CTest fixture "quorvi_portal": the portal stand-in running on a fixed
# loopback port while the tests that require it run.
#
# Include it from any CMakeLists.txt and mark the tests that need the portal:
#   include(${CMAKE_SOURCE_DIR}/portal/portal_fixture.cmake)
#   quorvi_require_portal(my_integration_test)
# The tests then find in their environment:
#   QUORVI_TEST_PORTAL_ORIGIN  http://127.0.0.1:<QUORVI_PORTAL_TEST_PORT>
#   QUORVI_TEST_PORTAL_LOG     the request log (one JSON line per request)
#   QUORVI_TEST_PORTAL_DATA    the data folder it serves (a copy; file lists follow changes)
# The tests requiring the portal run one at a time (RESOURCE_LOCK), since they
# share its faults and its log.
include_guard(GLOBAL)

set(QUORVI_PORTAL_TEST_PORT 18737 CACHE STRING "Loopback port of the portal stand-in during integration tests")
set(QUORVI_PORTAL_TEST_ORIGIN "http://127.0.0.1:${QUORVI_PORTAL_TEST_PORT}")
set(QUORVI_PORTAL_FIXTURE_DIR "${CMAKE_BINARY_DIR}/tests/portal-fixture")

function(quorvi_require_portal)
  foreach(test IN LISTS ARGN)
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED quorvi_portal)
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK quorvi_portal)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
      "QUORVI_TEST_PORTAL_ORIGIN=${QUORVI_PORTAL_TEST_ORIGIN}"
      "QUORVI_TEST_PORTAL_LOG=${QUORVI_PORTAL_FIXTURE_DIR}/requests.log"
      "QUORVI_TEST_PORTAL_DATA=${QUORVI_PORTAL_FIXTURE_DIR}/data")
  endforeach()
endfunction()
