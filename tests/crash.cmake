# Crash during rewrite: the real home screen killed at random moments while it
# rewrites the options file, the Mail archive and a push store; every file must stay
# whole (tests/tools/crash_rewrite.cpp).  The suite runs a short round; `./go soak`
# runs thousands of kills.
add_executable(crash_rewrite ${CMAKE_CURRENT_SOURCE_DIR}/tools/crash_rewrite.cpp)
target_link_libraries(crash_rewrite PRIVATE Foundation noctil_warnings)
if(TARGET springboard AND TARGET Noctil7)
  add_dependencies(crash_rewrite springboard Noctil7)
  add_test(NAME crash_rewrite
           COMMAND crash_rewrite --hosts-dir $<TARGET_FILE_DIR:springboard> --tweak $<TARGET_FILE:Noctil7>
                   --filter ${CMAKE_BINARY_DIR}/noctil7/tweak-filters/Noctil7.plist
                   --root ${CMAKE_BINARY_DIR}/crash-root --kills 50 --seed 1 --deadline 100)
  set_tests_properties(crash_rewrite PROPERTIES TIMEOUT 150)
endif()
