# Tests of the host programs, the tweak loader and the scenario runner.
target_link_libraries(test_scenario_parser PRIVATE noctil_scenario_language)

# A tweak library built only for tests: its initialiser records that it ran and in
# which program.  Without a soname, so copies under other names load separately.
add_library(noctil_loader_probe SHARED ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/LoaderProbe.cpp)
target_link_libraries(noctil_loader_probe PRIVATE objcface Foundation noctil_warnings)
set_target_properties(noctil_loader_probe PROPERTIES NO_SONAME ON LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fixtures)
noctil_install_tweak(noctil_loader_probe NAME LoaderProbe BUNDLES com.apple.springboard com.apple.MobileSMS
                     COMPONENT test_fixtures)

target_link_libraries(test_tweak_loader PRIVATE noctil_tweak_loader PkgConfig::PLIST)
target_compile_definitions(test_tweak_loader PRIVATE NOCTIL_LOADER_PROBE="$<TARGET_FILE:noctil_loader_probe>")
add_dependencies(test_tweak_loader noctil_loader_probe)

target_link_libraries(test_reflection PRIVATE noctil_scenario_runner)
target_link_libraries(test_host_options PRIVATE noctil_scenario_runner)
target_link_libraries(test_scenario_runner PRIVATE noctil_scenario_runner)
