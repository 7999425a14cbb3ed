# Runs one Settings scenario (scenarios/*.prefs) through the preferences program on a
# fresh device root laid by the install rules, with a deadline:
#
#   cmake -D PREFERENCES=<program> -D BUILD_DIR=<build tree> -D WORK=<scratch folder>
#         -D SCENARIO=<file> -D PICTURE=<picture file> -P run_settings_scenario.cmake
#
# Header comments of the scenario choose the device: "# ios: 6.x" (default 7.x) and
# "# options: --ipad --no-camera".  The picture is copied beside the scenario as
# "picture.png" for its `pick` commands.
foreach(var PREFERENCES BUILD_DIR WORK SCENARIO PICTURE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_settings_scenario: ${var} is required")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/device)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/device
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "run_settings_scenario: install into ${WORK}/device failed")
endif()
# The tweaks make the picture folder at their start; the Settings app alone finds it there.
file(MAKE_DIRECTORY ${WORK}/device/var/mobile/Library/Noctil)

set(ios 7.x)
set(options)
file(STRINGS ${SCENARIO} header REGEX "^# (ios|options):")
foreach(line ${header})
  if(line MATCHES "^# ios: *(.+)$")
    set(ios ${CMAKE_MATCH_1})
  elseif(line MATCHES "^# options: *(.+)$")
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
  endif()
endforeach()

get_filename_component(name ${SCENARIO} NAME)
configure_file(${SCENARIO} ${WORK}/${name} COPYONLY)
configure_file(${PICTURE} ${WORK}/picture.png COPYONLY)
execute_process(COMMAND ${PREFERENCES} --ios ${ios} ${options} --device ${WORK}/device --script ${WORK}/${name}
                RESULT_VARIABLE result TIMEOUT 120)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "run_settings_scenario: ${name} ended with ${result}")
endif()
