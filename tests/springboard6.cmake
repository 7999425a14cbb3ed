# The iOS 6 home screen's tests (tests/springboard6_<area>_test.cpp) share the
# fixture in tests/springboard6/.
file(GLOB springboard6_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/springboard6_*_test.cpp)
foreach(source ${springboard6_test_sources})
  get_filename_component(area ${source} NAME_WE)
  string(REGEX REPLACE "_test$" "" area ${area})
  target_include_directories(test_${area} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/springboard6)
endforeach()
