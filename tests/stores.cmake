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
