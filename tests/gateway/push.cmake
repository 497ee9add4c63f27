# Push through the test gateway's push proxy (fixture "gateway"): the
# program's push listener on UDP port 2948, end to end in both modes, and
# the port held by another program.
add_test(NAME e2e_push
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_push.sh $<TARGET_FILE:tovrin>
          ${TOVRIN_GATEWAY_RUN}/gateway.env ${CMAKE_SOURCE_DIR}/scripts/gateway
          ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/push_pdu/ppg_si)
set_tests_properties(e2e_push PROPERTIES
  FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway TIMEOUT 240)
