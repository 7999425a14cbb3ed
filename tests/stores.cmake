# The canonical content of keyed archives, read with libplist rather than the
# platform's own decoder, for the tests of the stored-copy edits both tweak libraries
# make (tests/noctil_stores_test.cpp and the removal tests of each library).
add_library(store_archive_content STATIC ${CMAKE_CURRENT_SOURCE_DIR}/stores/ArchiveContent.cpp)
target_include_directories(store_archive_content PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(store_archive_content PUBLIC PkgConfig::PLIST PRIVATE noctil_warnings)
target_link_libraries(test_noctil_stores PRIVATE store_archive_content)
if(TARGET test_noctil6_swipe)
  target_link_libraries(test_noctil6_swipe PRIVATE store_archive_content)
endif()
# The iOS 6 home screen with Noctil6 as its own process, editing the stored copies of
# notifications written by Python's plistlib (tests/e2e/noctil6_stores_e2e.cpp).
if(TARGET springboard AND TARGET Noctil6)
  add_executable(test_noctil6_stores_e2e ${CMAKE_CURRENT_SOURCE_DIR}/e2e/noctil6_stores_e2e.cpp)
  target_link_libraries(test_noctil6_stores_e2e PRIVATE noctil_test_support store_archive_content GTest::gtest_main
                        noctil_warnings)
  add_dependencies(test_noctil6_stores_e2e springboard Noctil6)
  target_compile_definitions(test_noctil6_stores_e2e PRIVATE NOCTIL_SPRINGBOARD_PROGRAM="$<TARGET_FILE:springboard>"
                             NOCTIL_CMAKE_COMMAND="${CMAKE_COMMAND}")
  gtest_discover_tests(test_noctil6_stores_e2e DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 240)
endif()
