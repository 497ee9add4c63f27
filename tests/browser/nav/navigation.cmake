# The navigation state machine and the dependency pass over decks in a real
# cache store, with the real decoder, layout, event dispatch and headless
# display; only the session layer is scripted.
set(NAV_DIR ${CMAKE_CURRENT_SOURCE_DIR}/nav)
tovrin_test(test_navigation
  SOURCES ${NAV_DIR}/nav_fixture.cpp ${CMAKE_SOURCE_DIR}/tests/support/scripted_session.cpp ${NAV_DIR}/test_navigation.cpp
  LIBS tovrin_browser tovrin_script tovrin_wml tovrin_cache tovrin_browser_state tovrin_prefs tovrin_display
       tovrin_fixed_metrics tovrin_common)
add_dependencies(test_navigation wml_decks)
target_compile_definitions(test_navigation PRIVATE NAV_DECK_DIR="${CMAKE_BINARY_DIR}/tests/wml/decks")
