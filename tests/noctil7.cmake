# Every tests/noctil7_<area>_test.cpp links the iOS 7 tweak library itself and sees
# its private headers (noctil7/src), since it tests the library from inside.
file(GLOB noctil7_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/noctil7_*_test.cpp)
foreach(source ${noctil7_test_sources})
  get_filename_component(area ${source} NAME_WE)
  string(REGEX REPLACE "_test$" "" area ${area})
  target_link_libraries(test_${area} PRIVATE Noctil7)
  target_include_directories(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/noctil7/src)
endforeach()
