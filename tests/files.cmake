quirra_test(tst_files tst_files.cpp)

# The Intel HEX reader under libFuzzer with the sanitizers: built only by
# clang with its libFuzzer runtime (libclang-rt-14-dev); test.sh runs it for a
# bounded time in a build of its own.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
  check_cxx_source_compiles([[extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }]]
    QUIRRA_HAVE_LIBFUZZER)
  unset(CMAKE_REQUIRED_FLAGS)
endif()
if(QUIRRA_HAVE_LIBFUZZER)
  set(sources fuzz_hexreader.cpp ${PROJECT_SOURCE_DIR}/core/HexText.cpp ${PROJECT_SOURCE_DIR}/files/IntelHex.cpp ${PROJECT_SOURCE_DIR}/files/BinaryFile.cpp)
  add_executable(fuzz_hexreader ${sources})
  target_include_directories(fuzz_hexreader PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(fuzz_hexreader PRIVATE Qt6::Core)
  target_compile_options(fuzz_hexreader PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(fuzz_hexreader PRIVATE -fsanitize=fuzzer,address,undefined)
  quirra_warnings(fuzz_hexreader)
endif()
