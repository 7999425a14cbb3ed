# Noctil6's lock-screen options changed in the Settings app under a running iOS 6
# home screen, as two processes on one installed device root
# (tests/e2e/noctil6_lockscreen_e2e.cpp).
if(TARGET SpringBoard6 AND TARGET springboard AND TARGET preferences AND TARGET noctil_loader_probe AND TARGET Noctil6)
  add_executable(test_noctil6_lockscreen_e2e ${CMAKE_CURRENT_SOURCE_DIR}/e2e/noctil6_lockscreen_e2e.cpp)
  target_link_libraries(test_noctil6_lockscreen_e2e PRIVATE noctil_test_support GTest::gtest_main noctil_warnings)
  add_dependencies(test_noctil6_lockscreen_e2e springboard preferences noctil_loader_probe Noctil6 NoctilSettings
                   NoctilSettingsResources)
  target_compile_definitions(test_noctil6_lockscreen_e2e PRIVATE
    NOCTIL_SPRINGBOARD_PROGRAM="$<TARGET_FILE:springboard>"
    NOCTIL_PREFERENCES_PROGRAM="$<TARGET_FILE:preferences>"
    NOCTIL_CMAKE_COMMAND="${CMAKE_COMMAND}")
  gtest_discover_tests(test_noctil6_lockscreen_e2e DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 240)
endif()
