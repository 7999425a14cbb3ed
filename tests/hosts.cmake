# Tests of the host programs, the tweak loader and the scenario runner.
target_link_libraries(test_scenario_parser PRIVATE noctil_scenario_language)

# A tweak library built only for tests: its initialiser records that it ran and in
# which program.  Without a soname, so copies under other names load separately.
add_library(noctil_loader_probe SHARED ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/LoaderProbe.cpp)
target_link_libraries(noctil_loader_probe PRIVATE objcface Foundation CoreFoundation noctil_warnings)
set_target_properties(noctil_loader_probe PROPERTIES NO_SONAME ON LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fixtures)
noctil_install_tweak(noctil_loader_probe NAME LoaderProbe BUNDLES com.apple.springboard com.apple.MobileSMS
                     COMPONENT test_fixtures)

target_link_libraries(test_tweak_loader PRIVATE noctil_tweak_loader PkgConfig::PLIST)
target_compile_definitions(test_tweak_loader PRIVATE NOCTIL_LOADER_PROBE="$<TARGET_FILE:noctil_loader_probe>")
add_dependencies(test_tweak_loader noctil_loader_probe)

target_link_libraries(test_reflection PRIVATE noctil_scenario_runner)
target_link_libraries(test_host_options PRIVATE noctil_scenario_runner)
target_link_libraries(test_scenario_runner PRIVATE noctil_scenario_runner)
target_link_libraries(test_host_homescreens PRIVATE noctil_host_program)

# Every scenario in scenarios/ runs through the real host programs on a fresh device
# root laid by the install rules, with a deadline (tests/tools/scenario_check.cpp).
add_executable(scenario_check ${CMAKE_CURRENT_SOURCE_DIR}/tools/scenario_check.cpp)
target_link_libraries(scenario_check PRIVATE CoreFoundation Foundation noctil_warnings)
if(TARGET springboard AND TARGET mobilesms)
  file(GLOB scenario_files CONFIGURE_DEPENDS ${NOCTIL_SOURCE_ROOT}/scenarios/*.scn)
  foreach(scenario ${scenario_files})
    get_filename_component(scenario_name ${scenario} NAME_WE)
    add_test(NAME scenario.${scenario_name}
             COMMAND scenario_check --build-dir ${CMAKE_BINARY_DIR} --hosts-dir $<TARGET_FILE_DIR:springboard>
                     --root ${CMAKE_BINARY_DIR}/scenario-roots/${scenario_name} --cmake ${CMAKE_COMMAND}
                     --deadline 120 ${scenario})
    set_tests_properties(scenario.${scenario_name} PROPERTIES TIMEOUT 180)
  endforeach()
endif()

# The host programs as real processes.
target_compile_definitions(test_hosts_e2e PRIVATE NOCTIL_CMAKE_COMMAND="${CMAKE_COMMAND}")
add_dependencies(test_hosts_e2e springboard mobilesms noctil_loader_probe)

# The iOS 6 home screen and the Settings app as two processes on one installed device
# root (tests/e2e/springboard6_e2e.cpp).
if(TARGET SpringBoard6 AND TARGET springboard AND TARGET preferences AND TARGET noctil_loader_probe)
  add_executable(test_springboard6_e2e ${CMAKE_CURRENT_SOURCE_DIR}/e2e/springboard6_e2e.cpp)
  target_link_libraries(test_springboard6_e2e PRIVATE noctil_test_support GTest::gtest_main noctil_warnings)
  add_dependencies(test_springboard6_e2e springboard preferences noctil_loader_probe NoctilSettings NoctilSettingsResources)
  target_compile_definitions(test_springboard6_e2e PRIVATE
    NOCTIL_SPRINGBOARD_PROGRAM="$<TARGET_FILE:springboard>"
    NOCTIL_PREFERENCES_PROGRAM="$<TARGET_FILE:preferences>"
    NOCTIL_CMAKE_COMMAND="${CMAKE_COMMAND}")
  foreach(installed Noctil6 Noctil7)  # laid into the device root too
    if(TARGET ${installed})
      add_dependencies(test_springboard6_e2e ${installed})
    endif()
  endforeach()
  gtest_discover_tests(test_springboard6_e2e DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 240)
endif()
