# DATETIME and INTERVAL: edge cases, the mended rules, the current time and
# the calendar sweep (dt_test, each case in a fresh process, TZ fixed), and
# the differential test against the exact model dt_model.py, whose vectors
# the build generates (DT_MODEL_CASES per operation; the test reruns the
# model with 200,000 under TRW_TEST_FULL=1).
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(DT_MODEL_CASES 20000)
if(TRW_SANITIZE)
  set(DT_MODEL_CASES 5000)
endif()
set(dt_model_script ${CMAKE_CURRENT_LIST_DIR}/dt_model.py)
set(dt_model_vectors ${CMAKE_CURRENT_BINARY_DIR}/dt_model_vectors.txt)
add_custom_command(OUTPUT ${dt_model_vectors}
                   COMMAND ${Python3_EXECUTABLE} ${dt_model_script} ${dt_model_vectors} ${DT_MODEL_CASES}
                   DEPENDS ${dt_model_script}
                   COMMENT "DATETIME and INTERVAL model vectors")
add_custom_target(dt_model_vectors DEPENDS ${dt_model_vectors})
trw_add_gtest(dt_model_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dt_model_test.cpp)
add_dependencies(dt_model_test dt_model_vectors)
math(EXPR dt_model_min "${DT_MODEL_CASES} * 95 / 100")
target_compile_definitions(dt_model_test PRIVATE DT_MODEL_VECTORS="${dt_model_vectors}"
                           DT_MODEL_SCRIPT="${dt_model_script}" DT_MODEL_PYTHON="${Python3_EXECUTABLE}"
                           DT_MODEL_MIN_CASES=${dt_model_min})

# The month lengths of years 1 to 9999 by Python's calendar, for the sweep.
set(dt_month_lengths ${CMAKE_CURRENT_BINARY_DIR}/dt_month_lengths.txt)
add_custom_command(OUTPUT ${dt_month_lengths}
                   COMMAND ${Python3_EXECUTABLE} ${dt_model_script} --months ${dt_month_lengths}
                   DEPENDS ${dt_model_script}
                   COMMENT "Month lengths by Python's calendar")
add_custom_target(dt_month_lengths DEPENDS ${dt_month_lengths})
trw_add_gtest(dt_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dt_test.cpp ENV "TZ=EST5EDT,M3.2.0,M11.1.0")
add_dependencies(dt_test dt_month_lengths trw_locales registry_data)
target_compile_definitions(dt_test PRIVATE DT_MONTH_LENGTHS="${dt_month_lengths}")
