# The sources of the plug-in's logic, of the simulated game and of the
# simulator tool: one list each, for every build that compiles them (the
# Windows DLL, the Linux tests, the fuzz target that replays recordings).
set(LF_LOGIC_SOURCES
  platform/game_path.cpp
  platform/code_names.cpp
  settings/settings.cpp
  settings/number_text.cpp
  settings/settings_check.cpp
  log/diagnostic_log.cpp
  body/node_math.cpp
  body/anim_queries.cpp
  view/view_state.cpp
  view/head_camera.cpp
  view/body_pass.cpp
  view/body_view_report.cpp
  body/head_bob.cpp
  body/arm_pose.cpp
  body/draw_visibility.cpp
  patch/patch_writer.cpp
  patch/patch_place.cpp
  patch/place_check.cpp
  patch/known_plugins.cpp
  patch/hook_table.cpp
  patch/fixed_patches.cpp
  patch/load_sequence.cpp
  patch/glue_routines.cpp
  patch/glue.S
  game/game_call.S
  entry/plugin_entry.cpp
  entry/plugin_interface.cpp
  entry/holder_tags.cpp
  record/frame_recorder.cpp
  record/frame_ring.cpp
  record/game_notes.cpp
  record/recording_file.cpp
  record/recording_entries.cpp
  record/recording_view_state.cpp
  record/recording_head_camera.cpp
  record/recording_body_pass.cpp
  record/recording_head_bob.cpp
  record/recording_arm_pose.cpp
  record/recording_draw_visibility.cpp
)

set(LF_SIM_SOURCES sim/sim_game.cpp sim/game_routines.cpp sim/game_code.cpp sim/probe.S sim/sim_host.cpp
    sim/frame_driver.cpp sim/game_frame.cpp sim/write_audit.cpp sim/game_range.cpp sim/rig_pose.cpp
    sim/node_walk.cpp sim/other_plugins.cpp)
set(LF_SIMTOOL_SOURCES
  tools/sim/scenario/json_values.cpp
  tools/sim/scenario/scenario_names.cpp
  tools/sim/scenario/scenario_read.cpp
  tools/sim/scenario/game_values.cpp
  tools/sim/scenario/game_observe.cpp
  tools/sim/scenario/interface_values.cpp
  tools/sim/scenario/game_folder.cpp
  tools/sim/scenario/scenario_run.cpp
  tools/sim/scenario/quiet_output.cpp
  tools/sim/scenario/trace.cpp
  tools/sim/pictures/svg.cpp
  tools/sim/settings/settings_report.cpp
  tools/sim/settings/default_settings.cpp
  tools/sim/soak/frame_audit.cpp
  tools/sim/soak/view_check.cpp
  tools/sim/soak/soak.cpp
  tools/sim/soak/soak_scenario.cpp
  tools/sim/settings/text_wrap.cpp
  tools/sim/settings/player_readme.cpp
  tools/sim/pictures/pose_capture.cpp
  tools/sim/pictures/camera_view.cpp
  tools/sim/pictures/pose_svg.cpp
  tools/sim/replay/recording_read.cpp
  tools/sim/replay/recording_words.cpp
  tools/sim/replay/replay_world.cpp
  tools/sim/replay/replay_script.cpp
  tools/sim/replay/replay_compare.cpp
  tools/sim/replay/replay.cpp
  tools/sim/replay/replay_export.cpp
  tools/sim/replay/recorded_names.cpp
  tools/sim/cli/exit_status.h
  tools/sim/cli/input_files.cpp
  tools/sim/cli/tool_location.cpp
  tools/sim/cli/usage.cpp
  tools/sim/cli/scenario_input.cpp
  tools/sim/cli/run_command.cpp
  tools/sim/cli/batch_command.cpp
  tools/sim/cli/replay_commands.cpp
  tools/sim/cli/commands.cpp)

# The recorder's notes run many times in every recorded frame, entered from
# code that keeps the stack aligned to 4 bytes only: they ask for no more of
# the functions they call (all of them the plug-in's own, which realign where
# they need), so that no function of theirs realigns its frame at every call.
# (GCC's option; the fuzz targets, built by clang, realign every function.)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_source_files_properties(record/game_notes.cpp record/frame_recorder.cpp
                              record/recording_entries.cpp
                              PROPERTIES COMPILE_OPTIONS -mpreferred-stack-boundary=2)
endif()
