# Browsing through the test gateway (fixture "gateway"): one headless
# conversation per browse/NAME.cmd, in both modes, each compared with
# browse/NAME.expected.
file(GLOB TOVRIN_BROWSE_CASES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/browse/*.cmd)
foreach(case ${TOVRIN_BROWSE_CASES})
  get_filename_component(name ${case} NAME_WE)
  foreach(port 9201 9200)
    add_test(NAME e2e_browse_${name}_${port}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_browse.sh $<TARGET_FILE:tovrin>
              ${TOVRIN_GATEWAY_RUN}/gateway.env ${case} ${port})
    set_tests_properties(e2e_browse_${name}_${port} PROPERTIES
      FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway TIMEOUT 120)
  endforeach()
endforeach()

# ./run's demo site: every deck and script compiles with the gateway's own
# compilers, every picture converts.
add_test(NAME demo_site_compiles
  COMMAND bash -c "set -e; d=$(mktemp -d); trap 'rm -rf $d' EXIT; \"$0\"/build_site.sh $d; \
    for f in $d/*.wml; do /usr/lib/kannel/test/wml_tester -b -c ISO-8859-1 $f >/dev/null; done; \
    for f in $d/*.wmls; do cp $f $d/s.wmls; wmlsc $d/s.wmls >/dev/null; done; \
    for f in $d/images/*.wbmp; do test -s $f; done"
  ${CMAKE_SOURCE_DIR}/demo)

# The site checker on the test site's planted faults, in both modes.
foreach(port 9201 9200)
  add_test(NAME e2e_check_${port}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_check.sh $<TARGET_FILE:tovrin>
            ${TOVRIN_GATEWAY_RUN}/gateway.env ${port})
  set_tests_properties(e2e_check_${port} PROPERTIES
    FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway TIMEOUT 120)
  # The bundled demo passes the check.
  add_test(NAME e2e_check_demo_${port}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e_check_demo.sh $<TARGET_FILE:tovrin>
            ${TOVRIN_GATEWAY_RUN}/gateway.env ${port})
  set_tests_properties(e2e_check_demo_${port} PROPERTIES
    FIXTURES_REQUIRED gateway RESOURCE_LOCK gateway LABELS gateway TIMEOUT 120)
endforeach()
