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

add_executable(fuzz_scenario tests/fuzz/fuzz_scenario.cpp tools/sim/scenario/scenario_read.cpp
               tools/sim/scenario/scenario_names.cpp tools/sim/scenario/json_values.cpp)
add_executable(fuzz_settings tests/fuzz/fuzz_settings.cpp tools/sim/settings/settings_report.cpp
               tools/sim/scenario/game_folder.cpp settings/settings.cpp
               settings/settings_check.cpp settings/number_text.cpp log/diagnostic_log.cpp
               platform/profile_file.cpp platform/game_path.cpp platform/platform_linux.cpp
               platform/code_names.cpp)
# The recording reader's target replays every input the reader accepts: it
# holds the plug-in, the simulated game and the simulator. Code the game's
# sites enter may find the stack aligned to 4 bytes only: clang realigns it
# in every function.
include(cmake/sources.cmake)
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION LF_RELEASE_VERSION LIMIT_COUNT 1)
add_executable(fuzz_recording tests/fuzz/fuzz_recording.cpp tests/fuzz/recording_mutator.cpp
               tests/fuzz/heap_peak.cpp ${LF_LOGIC_SOURCES}
               platform/platform_linux.cpp platform/profile_file.cpp ${LF_SIM_SOURCES}
               ${LF_SIMTOOL_SOURCES})
target_compile_definitions(fuzz_recording PRIVATE LF_RELEASE_VERSION="${LF_RELEASE_VERSION}")
target_compile_options(fuzz_recording PRIVATE -mstackrealign -fno-pie)
# The glue is written for the GNU assembler's Intel syntax (clang's own
# assembler reads some of its memory operands as immediates).
set_source_files_properties(patch/glue.S game/game_call.S sim/probe.S PROPERTIES
                            COMPILE_OPTIONS -fno-integrated-as)
target_link_options(fuzz_recording PRIVATE -no-pie)
foreach(target fuzz_scenario fuzz_settings fuzz_recording)
  target_compile_options(${target} PRIVATE ${LF_FUZZ_FLAGS})
  target_link_options(${target} PRIVATE ${LF_FUZZ_FLAGS})
  target_link_libraries(${target} PRIVATE nlohmann_json::nlohmann_json)
endforeach()
