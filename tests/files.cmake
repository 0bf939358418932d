quirra_test(tst_files tst_files.cpp)

# The Intel HEX, S-record and ELF readers under libFuzzer with the sanitizers: built only by
# clang with its libFuzzer runtime (libclang-rt-14-dev); test.sh runs it for a
# bounded time in a build of its own.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
  check_cxx_source_compiles([[extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }]]
    QUIRRA_HAVE_LIBFUZZER)
  unset(CMAKE_REQUIRED_FLAGS)
endif()
# One target per reader, each with the file code it needs.
function(quirra_fuzzer name)
  add_executable(${name} ${ARGN} ${PROJECT_SOURCE_DIR}/files/BinaryFile.cpp ${PROJECT_SOURCE_DIR}/files/FormatDetect.cpp
                 ${PROJECT_SOURCE_DIR}/files/ElfFile.cpp ${PROJECT_SOURCE_DIR}/core/HexText.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE Qt6::Core PkgConfig::LIBELF)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  quirra_warnings(${name})
endfunction()
if(QUIRRA_HAVE_LIBFUZZER)
  quirra_fuzzer(fuzz_hexreader fuzz_filereaders.cpp ${PROJECT_SOURCE_DIR}/files/IntelHex.cpp)
  quirra_fuzzer(fuzz_srecreader fuzz_filereaders.cpp ${PROJECT_SOURCE_DIR}/files/SRecord.cpp
                ${PROJECT_SOURCE_DIR}/files/IntelHex.cpp)
  quirra_fuzzer(fuzz_elfreader fuzz_filereaders.cpp ${PROJECT_SOURCE_DIR}/files/IntelHex.cpp)
  target_compile_definitions(fuzz_hexreader PRIVATE FUZZ_READER=1)
  target_compile_definitions(fuzz_srecreader PRIVATE FUZZ_READER=2)
  target_compile_definitions(fuzz_elfreader PRIVATE FUZZ_READER=3)
endif()

quirra_core_test(tst_lanes tst_lanes.cpp)
target_link_libraries(tst_lanes PRIVATE quirraclilib)
add_dependencies(tst_lanes quirra-cli)
target_compile_definitions(tst_lanes PRIVATE QUIRRA_CLI_PATH="$<TARGET_FILE:quirra-cli>")
