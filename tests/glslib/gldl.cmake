# Stub Unicode service libraries: one without entry points, one with all.
add_library(glu_stub_first SHARED ${CMAKE_CURRENT_LIST_DIR}/glu_stub.cpp)
target_compile_definitions(glu_stub_first PRIVATE GLU_STUB_EMPTY)
target_include_directories(glu_stub_first PRIVATE ${PROJECT_SOURCE_DIR}/incl)
add_library(glu_stub_service SHARED ${CMAKE_CURRENT_LIST_DIR}/glu_stub.cpp)
target_include_directories(glu_stub_service PRIVATE ${PROJECT_SOURCE_DIR}/incl)

trw_add_gtest(gldl_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gldl_test.cpp)
add_dependencies(gldl_test glu_stub_first glu_stub_service)
target_compile_definitions(gldl_test PRIVATE
  GLU_STUB_FIRST="$<TARGET_FILE:glu_stub_first>"
  GLU_STUB_SERVICE="$<TARGET_FILE:glu_stub_service>")
