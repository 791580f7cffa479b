# The LV2 bundles, built by a native build next to the factory bank:
#   vorn.lv2/          manifest.ttl, vorn.ttl, the plug-in and its UI
#   vorn-presets.lv2/  the factory sounds as presets
# The Turtle comes from vorn-lv2ttl, which reads the parameter table, the
# engine's display texts and the factory bank build's output.
set(VORN_LV2_BUNDLE ${CMAKE_BINARY_DIR}/vorn.lv2)
set(VORN_LV2_PRESETS ${CMAKE_BINARY_DIR}/vorn-presets.lv2)

vorn_library(vorn_lv2ttl_lib DIRS tools/lv2ttl EXCLUDE "main\\.cpp$" DEPS vorn_files)
add_executable(vorn-lv2ttl ${CMAKE_SOURCE_DIR}/tools/lv2ttl/main.cpp)
target_link_libraries(vorn-lv2ttl PRIVATE vorn_lv2ttl_lib)
set_target_properties(vorn-lv2ttl PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/build_tools)

add_custom_command(
  OUTPUT ${VORN_LV2_BUNDLE}/manifest.ttl ${VORN_LV2_BUNDLE}/vorn.ttl
         ${VORN_LV2_PRESETS}/manifest.ttl ${VORN_LV2_PRESETS}/presets.ttl
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORN_LV2_BUNDLE} ${VORN_LV2_PRESETS}
  COMMAND vorn-lv2ttl ${VORN_FACTORY_DIR} ${VORN_LV2_BUNDLE} ${VORN_LV2_PRESETS}
  DEPENDS vorn-lv2ttl vorn_factory_bank ${VORN_FACTORY_DIR}/sounds.tsv
  COMMENT "Writing the LV2 bundles' Turtle"
  VERBATIM)
add_custom_target(vorn_lv2_ttl ALL DEPENDS ${VORN_LV2_BUNDLE}/vorn.ttl ${VORN_LV2_PRESETS}/presets.ttl)

# The plug-in (everything below the host boundary, as in vorn.so, without
# the editor) and its UI, which runs the editor on a mirror instance of its
# own and so carries the engine too (plugin/lv2/ui_mirror.h).
if(NOT VORN_FUZZ AND TARGET vorn_editor)
  pkg_check_modules(LV2 REQUIRED IMPORTED_TARGET lv2)
  vorn_sources(vorn_lv2_sources ${CMAKE_SOURCE_DIR} plugin/lv2 "(_ui_x11|ui_mirror)\\.cpp$")
  add_library(vorn_lv2 MODULE ${vorn_lv2_sources})
  target_link_libraries(vorn_lv2 PRIVATE vorn_core PkgConfig::LV2)
  add_library(vorn_lv2_ui MODULE ${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_ui_x11.cpp
    ${CMAKE_SOURCE_DIR}/plugin/lv2/ui_mirror.cpp ${CMAKE_SOURCE_DIR}/plugin/lv2/state_messages.cpp
    ${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_urids.cpp ${CMAKE_SOURCE_DIR}/plugin/lv2/live_message.cpp)
  target_link_libraries(vorn_lv2_ui PRIVATE vorn_core vorn_editor vorn_resources X11::X11 PkgConfig::LV2)
  foreach(module vorn_lv2 vorn_lv2_ui)
    set_target_properties(${module} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${VORN_LV2_BUNDLE}
      LINK_DEPENDS ${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_exports.map)
    target_link_options(${module} PRIVATE ${VORN_LTO_LINK}
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/plugin/lv2/lv2_exports.map -Wl,--no-undefined)
    if(NOT VORN_SANITIZE)
      target_link_options(${module} PRIVATE -static-libstdc++ -static-libgcc)
    endif()
    add_dependencies(${module} vorn_lv2_ttl)
  endforeach()
endif()

# A host on lilv for the tests: instantiates a bundle's plug-in and plays it.
pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
vorn_library(vorn_lv2host DIRS tools/lv2host DEPS PkgConfig::LILV)
set_target_properties(vorn_lv2host PROPERTIES EXCLUDE_FROM_ALL TRUE)

