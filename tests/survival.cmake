# The message-read service under hostile peers: the real Messages app with Noctil7,
# laid into a device root by the test itself (tests/service_survival_test.cpp).
if(TARGET test_service_survival AND TARGET mobilesms AND TARGET Noctil7)
  add_dependencies(test_service_survival mobilesms Noctil7)
  target_compile_definitions(test_service_survival PRIVATE
    NOCTIL_MOBILESMS_PROGRAM="$<TARGET_FILE:mobilesms>"
    NOCTIL_TWEAK7_LIBRARY="$<TARGET_FILE:Noctil7>"
    NOCTIL_TWEAK7_FILTER="${CMAKE_BINARY_DIR}/noctil7/tweak-filters/Noctil7.plist")
endif()
