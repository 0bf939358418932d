# The start-up files, quirra-cli's command line and the device functions on
# the wire under libFuzzer. These reach much of the core, so the fuzz build
# (files.cmake finds libFuzzer; test.sh runs the targets) makes a copy of
# quirracore instrumented for coverage and the sanitizers.
if(QUIRRA_HAVE_LIBFUZZER)
  set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  get_target_property(core_sources quirracore SOURCES)
  add_library(quirrafuzzcore STATIC ${core_sources}
    ${PROJECT_SOURCE_DIR}/cli/CliOptions.cpp ${PROJECT_SOURCE_DIR}/cli/SerialNumbers.cpp)
  target_include_directories(quirrafuzzcore PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(quirrafuzzcore PUBLIC Qt6::Core Qt6::SerialPort PkgConfig::LIBELF)
  target_compile_definitions(quirrafuzzcore PUBLIC QUIRRA_VERSION="${PROJECT_VERSION}")
  # Where the installed default start files lie, as the real core has it.
  include(GNUInstallDirs)
  file(RELATIVE_PATH bin_to_data ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/quirra)
  target_compile_definitions(quirrafuzzcore PRIVATE QUIRRA_BIN_TO_DATA="${bin_to_data}")
  target_compile_options(quirrafuzzcore PUBLIC ${fuzz_flags} PRIVATE -fsanitize=fuzzer-no-link)
  target_link_options(quirrafuzzcore PUBLIC -fsanitize=fuzzer,address,undefined)
  foreach(name fuzz_startfiles fuzz_cliargs fuzz_wire)
    add_executable(${name} ${name}.cpp support/FuzzSupport.h)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE quirrafuzzcore)
    quirra_warnings(${name})
  endforeach()
endif()
