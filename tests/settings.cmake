# Tests of the settings bundle and of the Preferences stand-in load the built bundle
# at run time (never link it), so they wait for it and its staged resources.
foreach(area settings_list_controller settings_panes settings_pickers settings_plists preferences_machinery)
  if(TARGET test_${area})
    add_dependencies(test_${area} NoctilSettings NoctilSettingsResources)
    target_include_directories(test_${area} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
endforeach()

# The host program's tests run the real program and read its command parser.
if(TARGET test_preferences_host AND TARGET preferences)
  add_dependencies(test_preferences_host preferences NoctilSettings NoctilSettingsResources)
  target_include_directories(test_preferences_host PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_preferences_host PRIVATE noctil_preferences_host)
  target_compile_definitions(test_preferences_host PRIVATE NOCTIL_PREFERENCES_PROGRAM="$<TARGET_FILE:preferences>")
endif()

# The Settings app and a running host program as two processes on one installed
# device root: the Messages app with the test probe tweak now, the iOS 7 home screen
# once it is built.
if(TARGET mobilesms AND TARGET preferences AND TARGET noctil_loader_probe)
  add_executable(test_settings_e2e ${CMAKE_CURRENT_SOURCE_DIR}/e2e/settings_e2e.cpp)
  target_link_libraries(test_settings_e2e PRIVATE noctil_test_support GTest::gtest_main noctil_warnings)
  add_dependencies(test_settings_e2e mobilesms preferences noctil_loader_probe NoctilSettings NoctilSettingsResources)
  target_compile_definitions(test_settings_e2e PRIVATE
    NOCTIL_MOBILESMS_PROGRAM="$<TARGET_FILE:mobilesms>"
    NOCTIL_PREFERENCES_PROGRAM="$<TARGET_FILE:preferences>"
    NOCTIL_CMAKE_COMMAND="${CMAKE_COMMAND}")
  if(TARGET Noctil7)
    add_dependencies(test_settings_e2e Noctil7)  # installed into the device root too
  endif()
  if(TARGET SpringBoard7 AND TARGET springboard)
    add_dependencies(test_settings_e2e springboard)
    target_compile_definitions(test_settings_e2e PRIVATE NOCTIL_SPRINGBOARD_PROGRAM="$<TARGET_FILE:springboard>")
  endif()
  gtest_discover_tests(test_settings_e2e DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 240)
endif()

# Every Settings scenario in scenarios/ (*.prefs) runs through the real program on a
# freshly installed device root (tests/tools/run_settings_scenario.cmake).
if(TARGET preferences)
  file(GLOB settings_scenarios CONFIGURE_DEPENDS ${NOCTIL_SOURCE_ROOT}/scenarios/*.prefs)
  foreach(scenario ${settings_scenarios})
    get_filename_component(scenario_name ${scenario} NAME_WE)
    add_test(NAME settings_scenario.${scenario_name}
             COMMAND ${CMAKE_COMMAND} -D PREFERENCES=$<TARGET_FILE:preferences> -D BUILD_DIR=${CMAKE_BINARY_DIR}
                     -D WORK=${CMAKE_BINARY_DIR}/settings-scenarios/${scenario_name} -D SCENARIO=${scenario}
                     -D PICTURE=${NOCTIL_SETTINGS_RESOURCES}/banner_closebox@2x.png
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/run_settings_scenario.cmake)
    set_tests_properties(settings_scenario.${scenario_name} PROPERTIES TIMEOUT 180)
  endforeach()
endif()
