# Exact DECIMAL: edge cases and hand-built records, and the differential
# test against an exact base-100 oracle (DEC_ORACLE_CASES random cases per
# operation; fewer under the sanitizers' Debug build, never fewer than
# 100,000 in the default build).
trw_add_gtest(decimal_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decimal_test.cpp)
trw_add_gtest(decimal_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decimal_oracle_test.cpp)
if(TRW_SANITIZE)
  target_compile_definitions(decimal_oracle_test PRIVATE DEC_ORACLE_CASES=20000)
endif()
# The shortcuts of the DECIMAL conversions and products against the general
# paths, on random values around their limits.
trw_add_gtest(decfast_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decfast_test.cpp)
# The word-sized shortcuts for operands of up to 8 pairs (money-sized
# values) and short texts against the general paths.
trw_add_gtest(decshort_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decshort_test.cpp)
