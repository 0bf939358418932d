quirra_test(tst_link tst_link.cpp)
quirra_test(tst_mainwindow tst_mainwindow.cpp)

# quirra --version and --help answer on standard output with no display at all.
add_test(NAME quirra_help_without_display
  COMMAND sh -c "v=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \"$0\" --version) && [ \"$v\" = 'quirra ${PROJECT_VERSION}' ] && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \"$0\" --help | grep -q '^Usage: quirra'" $<TARGET_FILE:quirra>)
set_tests_properties(quirra_help_without_display PROPERTIES TIMEOUT 30)
quirra_test(tst_windowfit tst_windowfit.cpp)
target_compile_definitions(tst_windowfit PRIVATE QUIRRA_DEMO_DIR="${PROJECT_SOURCE_DIR}/demo")
quirra_test(tst_globals tst_globals.cpp)
