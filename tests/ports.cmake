# The helper program that plays "the other process" in the message-port,
# notification and launch tests; each of those test programs is told where it is.
add_executable(ports_helper ${CMAKE_CURRENT_SOURCE_DIR}/ports_helper.cpp)
target_link_libraries(ports_helper PRIVATE ${NOCTIL_PLATFORM_LIBRARIES} noctil_warnings)
foreach(area ports notify launch cfports)
  if(TARGET test_${area})
    add_dependencies(test_${area} ports_helper)
    target_compile_definitions(test_${area} PRIVATE NOCTIL_PORTS_HELPER="$<TARGET_FILE:ports_helper>")
  endif()
endforeach()
