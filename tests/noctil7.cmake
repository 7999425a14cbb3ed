# Every tests/noctil7_<area>_test.cpp links the iOS 7 tweak library itself and sees
# its private headers (noctil7/src), since it tests the library from inside.
file(GLOB noctil7_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/noctil7_*_test.cpp)
foreach(source ${noctil7_test_sources})
  get_filename_component(area ${source} NAME_WE)
  string(REGEX REPLACE "_test$" "" area ${area})
  target_link_libraries(test_${area} PRIVATE Noctil7)
  target_include_directories(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/noctil7/src)
endforeach()

# The home-screen fixture and the stand-in for the message-read service's port, for
# the tests that run the tweak inside the iOS 7 home screen.
if(TARGET SpringBoard7)
  add_library(noctil7_test_fixture STATIC ${CMAKE_CURRENT_SOURCE_DIR}/noctil7/Noctil7Fixture.cpp
              ${CMAKE_CURRENT_SOURCE_DIR}/noctil7/ReadRequests.cpp)
  target_include_directories(noctil7_test_fixture PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                             PRIVATE ${CMAKE_SOURCE_DIR}/noctil7/src)
  target_link_libraries(noctil7_test_fixture PUBLIC noctil_test_support store_archive_content
                        PRIVATE Noctil7 noctil_warnings)
  foreach(area noctil7_folding noctil7_menu noctil7_removal noctil7_signatures noctil7_read_requests
               noctil7_file_faults)
    if(TARGET test_${area})
      target_link_libraries(test_${area} PRIVATE noctil7_test_fixture)
    endif()
  endforeach()
endif()
