# Every tests/noctil6_<area>_test.cpp links the iOS 6 tweak library itself and sees
# its private headers (noctil6/src), since it tests the library from inside.
file(GLOB noctil6_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/noctil6_*_test.cpp)
foreach(source ${noctil6_test_sources})
  get_filename_component(area ${source} NAME_WE)
  string(REGEX REPLACE "_test$" "" area ${area})
  target_link_libraries(test_${area} PRIVATE Noctil6)
  target_include_directories(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/noctil6/src)
endforeach()
