# End-to-end tests against the test gateway (fixture "gateway"): the
# connection manager and the real stack in-process, and the program's
# headless fetch. They take the gateway's facts from its gateway.env.
if(NOT DEFINED TOVRIN_GATEWAY_RUN_DIR)
  set(TOVRIN_GATEWAY_RUN_DIR ${CMAKE_BINARY_DIR}/tests/gateway/run)
endif()
set(TOVRIN_GATEWAY_ENV_FILE ${TOVRIN_GATEWAY_RUN_DIR}/gateway.env)

add_executable(test_e2e test_e2e.cpp e2e_support.cpp e2e_wtp.cpp)
target_link_libraries(test_e2e PRIVATE tovrin_loop tovrin_cache tovrin_stack tovrin_common test_support GTest::gtest GTest::gtest_main)
# One variable only: a list in ENVIRONMENT would be split apart with the
# other properties, and the fixture with it.
target_compile_definitions(test_e2e PRIVATE TOVRIN_SOURCE_DIR_DEFAULT="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(test_e2e DISCOVERY_MODE PRE_TEST
  PROPERTIES
    ENVIRONMENT "TOVRIN_GATEWAY_ENV=${TOVRIN_GATEWAY_ENV_FILE}"
    FIXTURES_REQUIRED gateway
    RESOURCE_LOCK gateway
    LABELS gateway)

add_test(NAME e2e_headless_fetch
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_fetch.sh $<TARGET_FILE:tovrin> ${TOVRIN_GATEWAY_ENV_FILE})
set_tests_properties(e2e_headless_fetch PROPERTIES
  FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway)

# A lossy path between the program and the gateway (the relay holds
# 127.0.0.2's ports).
add_test(NAME e2e_lossy_path
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_lossy.sh $<TARGET_FILE:tovrin> ${TOVRIN_GATEWAY_ENV_FILE}
          ${CMAKE_SOURCE_DIR}/scripts/gateway)
set_tests_properties(e2e_lossy_path PROPERTIES
  FIXTURES_REQUIRED gateway RESOURCE_LOCK "gateway;relay" LABELS gateway TIMEOUT 300)

# The exchange capture read back by tshark, and captures that cannot be
# written.
foreach(port 9201 9200)
  add_test(NAME e2e_capture_${port}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_capture.sh $<TARGET_FILE:tovrin> ${TOVRIN_GATEWAY_ENV_FILE} ${port}
            ${CMAKE_SOURCE_DIR}/scripts/gateway)
  set_tests_properties(e2e_capture_${port} PROPERTIES
    FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway TIMEOUT 120)
endforeach()
