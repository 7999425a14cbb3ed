# The property-list, archive and bundle tests also check the platform's private
# format units directly (readers and writers, against libplist's reader).
foreach(t test_plist_format test_plist test_keyed_archive test_bundle)
  if(TARGET ${t})
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/platform/foundation/src)
    target_link_libraries(${t} PRIVATE PkgConfig::PLIST)
  endif()
endforeach()
