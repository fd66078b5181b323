# The fuzz targets of the three readers that take a player's files: the
# scenario reader of the simulator, the settings reader (the plug-in's own,
# through the platform's profile calls, and the simulator's report), and the
# reader of recordings of frames.
# Built by clang with libFuzzer, AddressSanitizer and UBSan, 32-bit like the
# rest; scripts/fuzz.sh configures this build and runs the targets.
find_package(nlohmann_json REQUIRED)
# AddressSanitizer cannot run under qemu's emulation: there the targets are
# built with UndefinedBehaviorSanitizer alone (LF_FUZZ_SANITIZERS=undefined).
set(LF_FUZZ_SANITIZERS "address,undefined" CACHE STRING "Sanitizers of the fuzz targets")
set(LF_FUZZ_FLAGS -m32 -g -O1 -msse2 -mfpmath=sse -ffp-contract=off
    -fsanitize=fuzzer,${LF_FUZZ_SANITIZERS} -fno-sanitize-recover=all)
include_directories(${CMAKE_SOURCE_DIR})
add_compile_definitions(_FILE_OFFSET_BITS=64)

add_executable(fuzz_scenario tests/fuzz/fuzz_scenario.cpp tools/sim/scenario_read.cpp
               tools/sim/scenario_names.cpp tools/sim/json_values.cpp)
add_executable(fuzz_settings tests/fuzz/fuzz_settings.cpp tools/sim/settings_report.cpp
               tools/sim/text_wrap.cpp settings/settings.cpp settings/number_text.cpp
               log/diagnostic_log.cpp platform/profile_file.cpp platform/game_path.cpp
               platform/platform_linux.cpp)
add_executable(fuzz_recording tests/fuzz/fuzz_recording.cpp tools/sim/recording_read.cpp)
foreach(target fuzz_scenario fuzz_settings fuzz_recording)
  target_compile_options(${target} PRIVATE ${LF_FUZZ_FLAGS})
  target_link_options(${target} PRIVATE ${LF_FUZZ_FLAGS})
  target_link_libraries(${target} PRIVATE nlohmann_json::nlohmann_json)
endforeach()
