# Where the test gateway of this build tree runs; include it from any test
# directory that needs the gateway (idempotent).
#
# A test that needs the gateway gets
#   FIXTURES_REQUIRED gateway
#   ENVIRONMENT TOVRIN_GATEWAY_RUN=${TOVRIN_GATEWAY_RUN}
# and reads ${TOVRIN_GATEWAY_RUN}/gateway.env (KEY=VALUE lines):
#   TOVRIN_GATEWAY_HOST   the gateway's address (UDP 9200, 9201)
#   TOVRIN_ORIGIN         the origin's URL base, "http://127.0.0.1:8079/"
#   TOVRIN_ORIGIN_LOG     the origin's request log, one JSON object a line
#   TOVRIN_SITE           the directory the origin serves (tests/site)
#   TOVRIN_GATEWAY_RUN    this directory (logs, kannel.conf, capture)
# Tests that stop the gateway (scripts/gateway/stop.sh --boxes, then
# start.sh --boxes) also take RESOURCE_LOCK gateway, and so must every test
# that would be hurt by that; the lossy relay (scripts/gateway/relay.py,
# SIGUSR1) makes the gateway seem gone without touching it.
set(TOVRIN_GATEWAY_RUN ${CMAKE_BINARY_DIR}/gateway-run)
set(TOVRIN_GATEWAY_SCRIPTS ${CMAKE_SOURCE_DIR}/scripts/gateway)
# Tests use origin port 8079; the demo of ./run uses 8080.
set(TOVRIN_TEST_ORIGIN_PORT 8079)
