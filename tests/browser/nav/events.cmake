# The action passes and the user events over decks in a real cache store,
# laid out by the real Layout, answered through the headless dialogs. The
# navigation itself is a recording stand-in, so each test sees exactly the
# B_go, B_prev and B_refresh calls an event makes.
set(EV_DIR ${CMAKE_CURRENT_SOURCE_DIR}/nav)
tovrin_test(test_user_events
  SOURCES ${EV_DIR}/event_fixture.cpp ${EV_DIR}/nav_recorder.cpp ${EV_DIR}/test_actions.cpp
          ${EV_DIR}/test_user_events.cpp
          ${CMAKE_SOURCE_DIR}/browser/user_events.cpp ${CMAKE_SOURCE_DIR}/browser/field_interactions.cpp
  LIBS tovrin_wml tovrin_cache tovrin_stack tovrin_browser_state tovrin_prefs tovrin_display tovrin_fixed_metrics
       tovrin_common)
add_dependencies(test_user_events wml_decks)
target_compile_definitions(test_user_events PRIVATE EV_DECK_DIR="${CMAKE_BINARY_DIR}/tests/wml/decks")
