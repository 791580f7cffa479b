# The Windows build's tests, run under Wine (the build's emulator) against
# vorn.dll: the boundary and parameter tests, the floating-point state around
# host calls, the platform services, and what only Windows has (the shell
# folders in the Wine prefix, a DLL's own module, invalid UTF-8 names), and the
# filter lanes and the connection runs, whose AVX2 kernels meet MinGW's 16-byte
# stack alignment. Built into one executable, so the suite costs one Wine start.
vorn_test_executable(vorn_windows_tests
  DIRS platform windows
  FILES plugin/boundary_test.cpp plugin/fp_state_test.cpp synth/param_table_test.cpp synth/param_display_test.cpp
        dsp/svf_lanes_test.cpp dsp/connection_run_test.cpp
  DEPS vorn_core vorn_editor ${host_deps})

# A DLL holding the platform layer and the built-in archives, to see it find
# its own module and resources.
add_library(module_probe MODULE windows/probe/module_probe.cpp)
target_link_libraries(module_probe PRIVATE vorn_platform vorn_resources)
target_compile_options(module_probe PRIVATE ${VORN_TEST_COMPILE_OPTIONS})
set_target_properties(module_probe PROPERTIES PREFIX "")
add_dependencies(vorn_windows_tests module_probe)

set(render_dir ${CMAKE_BINARY_DIR}/render_compare)
file(MAKE_DIRECTORY ${render_dir})
target_compile_definitions(vorn_windows_tests PRIVATE
  VORN_MODULE_PROBE_PATH="$<TARGET_FILE:module_probe>"
  VORN_TESTS_BIN_DIR="${CMAKE_CURRENT_BINARY_DIR}"
  VORN_RENDER_DIR="${render_dir}"
  VORN_SKIN_DIR="${CMAKE_BINARY_DIR}/skin")

add_test(NAME windows.tests COMMAND vorn_windows_tests --gtest_filter=-render_compare.*:win32_gui.*:editor_win32.*)

# A DLL holding the GUI toolkit and its Win32 window layer, opened inside a
# window of the test program under Wine with Xvfb as the display. The 32-bit
# build is the reference platform; the 64-bit one leaves this test out.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_library(gui_probe MODULE windows/probe/gui_probe.cpp)
  target_link_libraries(gui_probe PRIVATE vorn_gui_win32 vorn_resources)
  set_target_properties(gui_probe PROPERTIES PREFIX "")
  add_dependencies(vorn_windows_tests gui_probe)
  target_compile_definitions(vorn_windows_tests PRIVATE VORN_GUI_PROBE_PATH="$<TARGET_FILE:gui_probe>")
  target_link_libraries(vorn_windows_tests PRIVATE gdi32 user32)
  add_test(NAME windows.gui COMMAND ${CMAKE_SOURCE_DIR}/tools/windows/wine_gui_run.sh ${VORN_WINE_PREFIX}
           $<TARGET_FILE:vorn_windows_tests> --gtest_filter=win32_gui.*:editor_win32.*)
  # Alone: the Wine programs of one prefix share a desktop, which must be on this test's display.
  set_tests_properties(windows.gui PROPERTIES LABELS windows SKIP_RETURN_CODE 77 RUN_SERIAL TRUE)
endif()

# The DLL's export and import tables, from objdump.
add_test(NAME windows.dll_tables
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:vorn>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_dll.cmake)

# The demo song through all four effect slots, twice, one render after the
# other so that their realtime factors compare: natively through vorn.so (of
# the native release build that supplies the build-time programs), and under
# Wine through vorn-render.exe and vorn.dll. Then sample by sample.
set(song --midi ${CMAKE_SOURCE_DIR}/assets/demo/demo.mid --fx 0=Phaser --fx 1=mDelay --fx 2=Reverb --fx 3=Compressor)
add_test(NAME windows.render_linux
  COMMAND ${VORN_HOST_TOOLS_DIR}/vorn-render --plugin ${VORN_HOST_TOOLS_DIR}/vorn.so ${song} -o ${render_dir}/linux.wav)
add_test(NAME windows.render_windows
  COMMAND vorn-render --plugin $<TARGET_FILE:vorn> ${song} -o ${render_dir}/windows.wav)
set_tests_properties(windows.render_linux windows.render_windows PROPERTIES
  FIXTURES_SETUP render_pair RUN_SERIAL TRUE)
add_test(NAME windows.render_compare COMMAND vorn_windows_tests --gtest_filter=render_compare.dll_*)
set_tests_properties(windows.render_compare PROPERTIES FIXTURES_REQUIRED render_pair)

# The VST 3 bundle: its binary exports the three entry names hosts look up
# (undecorated on 32-bit too), and our VST 3 host built for Windows loads it
# under Wine and renders the demo song's MIDI to the samples the Linux bundle
# gives through the native host.
add_test(NAME windows.vst3_dll_tables
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:vorn_vst3>
          -DEXPORTS=ExitDll,GetPluginFactory,InitDll -DONE_ENTRY=OFF
          -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_dll.cmake)
add_test(NAME windows.vst3_render_linux
  COMMAND ${VORN_HOST_TOOLS_DIR}/vorn-vst3host render ${VORN_HOST_TOOLS_DIR}/vorn.vst3
          ${CMAKE_SOURCE_DIR}/assets/demo/demo.mid ${render_dir}/vst3_linux.wav)
add_test(NAME windows.vst3_render_windows
  COMMAND vorn-vst3host render ${VORN_VST3_BUNDLE} ${CMAKE_SOURCE_DIR}/assets/demo/demo.mid
          ${render_dir}/vst3_windows.wav)
set_tests_properties(windows.vst3_render_linux windows.vst3_render_windows PROPERTIES
  FIXTURES_SETUP vst3_render_pair RUN_SERIAL TRUE)
add_test(NAME windows.vst3_render_compare COMMAND vorn_windows_tests --gtest_filter=render_compare.vst3_*)
set_tests_properties(windows.vst3_render_compare PROPERTIES FIXTURES_REQUIRED vst3_render_pair)
add_dependencies(vorn_windows_tests vorn_vst3 vorn-vst3host)
set_tests_properties(windows.tests windows.dll_tables windows.render_linux windows.render_windows
  windows.render_compare windows.vst3_dll_tables windows.vst3_render_linux windows.vst3_render_windows
  windows.vst3_render_compare PROPERTIES LABELS windows)
