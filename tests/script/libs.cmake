# The standard libraries, called directly with pushed values and from
# compiled scripts through the interpreter.
tovrin_test(test_script_libs
  SOURCES test_lib_lang_string.cpp test_lib_url_browser.cpp test_lib_scripts.cpp lib_stand_ins.cpp engine_test_util.cpp
  LIBS tovrin_script tovrin_common)
target_compile_definitions(test_script_libs PRIVATE WMLS_DIR="${WMLS_DIR}")
add_dependencies(test_script_libs wmls_units)
