# The engine's own tests (loader, values and stores, interpreter) with an
# in-memory cache and a stand-in for the libraries.
add_library(tovrin_script_fakes STATIC ${CMAKE_CURRENT_SOURCE_DIR}/script_fakes.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/fake_cache.cpp)
target_include_directories(tovrin_script_fakes PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(tovrin_script_fakes PRIVATE WMLS_DIR="${WMLS_DIR}")
add_dependencies(tovrin_script_fakes wmls_units)

tovrin_test(test_script_engine
  SOURCES test_script_values.cpp test_script_loader.cpp test_script_interpreter.cpp
          engine_library_stub.cpp engine_test_util.cpp
  LIBS tovrin_script tovrin_script_fakes tovrin_script tovrin_common)
