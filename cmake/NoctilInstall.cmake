# Installing lays a device root: `cmake --install <build dir> --prefix <device root>`.
# Tweak libraries go to /Library/MobileSubstrate/DynamicLibraries with their filter
# lists, preference bundles to /Library/PreferenceBundles (with their entry under
# /Library/PreferenceLoader/Preferences).  The host programs stay in the build tree.

# Without --prefix an install must not spill into /usr/local: the default device
# root is a folder of the build tree.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
  set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/device-root CACHE PATH "Device root that install lays out" FORCE)
endif()

set(NOCTIL_TWEAK_FOLDER Library/MobileSubstrate/DynamicLibraries)
set(NOCTIL_PREFERENCE_BUNDLE_FOLDER Library/PreferenceBundles)
set(NOCTIL_PREFERENCE_LOADER_FOLDER Library/PreferenceLoader/Preferences)

# noctil_install_tweak(<target> BUNDLES <bundle id>... [NAME <name>] [COMPONENT <component>]
#                      [CORE_FOUNDATION_VERSION <lowest> [<below>]])
# Installs the shared library <target> as <name>.dylib (default: the target name) with
# the filter list <name>.plist naming the bundle identifiers of the programs that load
# it.  CORE_FOUNDATION_VERSION limits it to the iOS versions whose CoreFoundation
# version is at least <lowest> and, when given, below <below> (the filter's
# "CoreFoundationVersion" array).  A COMPONENT other than the default keeps the tweak
# out of a plain install (tests use it for their fixtures:
# `cmake --install … --component <component>`).
function(noctil_install_tweak target)
  cmake_parse_arguments(ARG "" "NAME;COMPONENT" "BUNDLES;CORE_FOUNDATION_VERSION" ${ARGN})
  if(NOT ARG_BUNDLES)
    message(FATAL_ERROR "noctil_install_tweak(${target}): BUNDLES is required")
  endif()
  if(NOT ARG_NAME)
    set(ARG_NAME ${target})
  endif()
  set(component_args)
  if(ARG_COMPONENT)
    set(component_args COMPONENT ${ARG_COMPONENT} EXCLUDE_FROM_ALL)
  endif()
  set(bundle_items "")
  foreach(bundle ${ARG_BUNDLES})
    string(APPEND bundle_items "\t\t\t<string>${bundle}</string>\n")
  endforeach()
  set(version_items "")
  list(LENGTH ARG_CORE_FOUNDATION_VERSION version_count)
  if(version_count GREATER 2)
    message(FATAL_ERROR "noctil_install_tweak(${target}): CORE_FOUNDATION_VERSION takes one or two numbers")
  endif()
  if(version_count GREATER 0)
    string(APPEND version_items "\t\t<key>CoreFoundationVersion</key>\n\t\t<array>\n")
    foreach(version ${ARG_CORE_FOUNDATION_VERSION})
      string(APPEND version_items "\t\t\t<real>${version}</real>\n")
    endforeach()
    string(APPEND version_items "\t\t</array>\n")
  endif()
  set(filter ${CMAKE_CURRENT_BINARY_DIR}/tweak-filters/${ARG_NAME}.plist)
  file(WRITE ${filter}
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n<dict>\n\t<key>Filter</key>\n\t<dict>\n\t\t<key>Bundles</key>\n\t\t<array>\n"
    "${bundle_items}\t\t</array>\n${version_items}\t</dict>\n</dict>\n</plist>\n")
  install(FILES $<TARGET_FILE:${target}> DESTINATION ${NOCTIL_TWEAK_FOLDER} RENAME ${ARG_NAME}.dylib
          PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
          ${component_args})
  install(FILES ${filter} DESTINATION ${NOCTIL_TWEAK_FOLDER} ${component_args})
endfunction()

# noctil_install_preference_bundle(<target> NAME <name> [RESOURCES <dir>] [ENTRY <plist>]
#                                  [COMPONENT <component>])
# Installs the shared library <target> as the executable of
# /Library/PreferenceBundles/<name>.bundle/<name>, the contents of the folder RESOURCES
# (property lists, en.lproj/Localizable.strings, pictures, Info.plist) into the
# bundle, and the Settings app's entry ENTRY as
# /Library/PreferenceLoader/Preferences/<name>.plist.
function(noctil_install_preference_bundle target)
  cmake_parse_arguments(ARG "" "NAME;RESOURCES;ENTRY;COMPONENT" "" ${ARGN})
  if(NOT ARG_NAME)
    message(FATAL_ERROR "noctil_install_preference_bundle(${target}): NAME is required")
  endif()
  set(component_args)
  if(ARG_COMPONENT)
    set(component_args COMPONENT ${ARG_COMPONENT} EXCLUDE_FROM_ALL)
  endif()
  set(bundle_dir ${NOCTIL_PREFERENCE_BUNDLE_FOLDER}/${ARG_NAME}.bundle)
  install(FILES $<TARGET_FILE:${target}> DESTINATION ${bundle_dir} RENAME ${ARG_NAME}
          PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
          ${component_args})
  if(ARG_RESOURCES)
    install(DIRECTORY ${ARG_RESOURCES}/ DESTINATION ${bundle_dir} ${component_args})
  endif()
  if(ARG_ENTRY)
    install(FILES ${ARG_ENTRY} DESTINATION ${NOCTIL_PREFERENCE_LOADER_FOLDER} RENAME ${ARG_NAME}.plist
            ${component_args})
  endif()
endfunction()
