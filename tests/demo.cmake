# The main job of `./go run` runs and succeeds on a fresh device root.
add_test(NAME main_job.demo COMMAND demo ${CMAKE_BINARY_DIR}/test-demo-root)
set_tests_properties(main_job.demo PROPERTIES TIMEOUT 60)
