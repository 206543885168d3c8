# SPDX-License-Identifier: MIT
# The Windows build's tests, run under Wine, and its package. Included from
# the top-level file when cross-building; the Linux build never reads it.

enable_testing()
find_package(GTest REQUIRED)

# The Qt-free core's tests that speak of nothing POSIX-only.
set(MORVANE_WINDOWS_TEST_SOURCES
  tests/test_apply_assignment.cpp tests/test_assignment_store.cpp tests/test_cli_help.cpp
  tests/test_configure_model.cpp tests/test_controls_models.cpp tests/test_device_link.cpp tests/test_key_map_model.cpp
  tests/test_key_names.cpp tests/test_keyboard_layout.cpp tests/test_keyboard_model.cpp tests/test_launch.cpp
  tests/test_macro_editor.cpp tests/test_macro_record_model.cpp tests/test_macro_recorder.cpp tests/test_macro_rows.cpp
  tests/test_main_window_model.cpp tests/test_panel_model.cpp tests/test_profile_files.cpp
  tests/test_profile_manager.cpp tests/test_protocol.cpp tests/test_read_back.cpp tests/test_session_chains.cpp
  tests/test_sim_keyboard.cpp tests/test_switch_session.cpp tests/test_texts.cpp tests/test_windows_platform.cpp)
add_executable(morvane_tests ${MORVANE_WINDOWS_TEST_SOURCES})
target_link_libraries(morvane_tests PRIVATE morvane_window_models morvane_commands morvane_desktop
                                            GTest::gtest GTest::gmock GTest::gtest_main)
target_compile_definitions(morvane_tests PRIVATE MORVANE_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
