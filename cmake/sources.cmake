# The sources of the plug-in's logic, of the simulated game and of the
# simulator tool: one list each, for every build that compiles them (the
# Windows DLL, the Linux tests, the fuzz target that replays recordings).
set(LF_LOGIC_SOURCES
  platform/game_path.cpp
  settings/settings.cpp
  settings/number_text.cpp
  log/diagnostic_log.cpp
  body/node_math.cpp
  body/anim_queries.cpp
  view/view_state.cpp
  view/head_camera.cpp
  view/body_pass.cpp
  body/head_bob.cpp
  body/arm_pose.cpp
  body/draw_visibility.cpp
  patch/patch_writer.cpp
  patch/patch_place.cpp
  patch/place_check.cpp
  patch/hook_table.cpp
  patch/fixed_patches.cpp
  patch/load_sequence.cpp
  patch/glue_routines.cpp
  patch/glue.S
  game/game_call.S
  entry/plugin_entry.cpp
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
    sim/frame_driver.cpp sim/write_audit.cpp sim/game_range.cpp sim/rig_pose.cpp)
set(LF_SIMTOOL_SOURCES
  tools/sim/json_values.cpp
  tools/sim/scenario_names.cpp
  tools/sim/scenario_read.cpp
  tools/sim/game_values.cpp
  tools/sim/game_observe.cpp
  tools/sim/game_folder.cpp
  tools/sim/scenario_run.cpp
  tools/sim/trace.cpp
  tools/sim/svg.cpp
  tools/sim/settings_report.cpp
  tools/sim/frame_audit.cpp
  tools/sim/soak.cpp
  tools/sim/soak_scenario.cpp
  tools/sim/text_wrap.cpp
  tools/sim/player_readme.cpp
  tools/sim/pose_svg.cpp
  tools/sim/recording_read.cpp
  tools/sim/recording_words.cpp
  tools/sim/replay_world.cpp
  tools/sim/replay_script.cpp
  tools/sim/replay_compare.cpp
  tools/sim/replay.cpp
  tools/sim/replay_export.cpp
  tools/sim/recorded_names.cpp
  tools/sim/replay_commands.cpp
  tools/sim/commands.cpp)
