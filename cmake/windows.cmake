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
target_link_libraries(morvane_tests PRIVATE advapi32)

# The compiler's runtime DLLs that Qt's DLLs are built against.
function(morvane_mingw_dll name out)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name} OUTPUT_VARIABLE found
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    find_file(found_${name} ${name} PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    set(found ${found_${name}})
  endif()
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "${name} of mingw-w64 not found")
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The package: a zip that runs from any folder, the programs with what they
# need beside them. Qt goes as its own DLLs, which the user may replace.
install(TARGETS morvane-cli RUNTIME DESTINATION .)
install(FILES LICENSE NOTICE README.md DESTINATION .)
if(TARGET morvane)
  get_filename_component(MORVANE_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
  set(MORVANE_WINDOWS_DLLS)
  foreach(module Core Gui Widgets Network)
    list(APPEND MORVANE_WINDOWS_DLLS ${MORVANE_QT_PREFIX}/bin/Qt6${module}.dll)
  endforeach()
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    morvane_mingw_dll(${dll} path)
    list(APPEND MORVANE_WINDOWS_DLLS ${path})
  endforeach()
  set(MORVANE_QT_PLATFORM ${MORVANE_QT_PREFIX}/plugins/platforms/qwindows.dll)
  # The build folder runs as it is, under Wine too.
  add_custom_command(TARGET morvane POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MORVANE_WINDOWS_DLLS} $<TARGET_FILE_DIR:morvane>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:morvane>/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MORVANE_QT_PLATFORM} $<TARGET_FILE_DIR:morvane>/platforms
    VERBATIM)
  install(TARGETS morvane RUNTIME DESTINATION .)
  install(FILES ${MORVANE_WINDOWS_DLLS} DESTINATION .)
  # Debian's runtime DLLs come with their symbols; what ships goes without.
  foreach(dll IN LISTS MORVANE_WINDOWS_DLLS)
    get_filename_component(name ${dll} NAME)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded \"\${CMAKE_INSTALL_PREFIX}/${name}\")")
  endforeach()
  install(FILES ${MORVANE_QT_PLATFORM} DESTINATION platforms)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/png/ DESTINATION png PATTERN "icons" EXCLUDE PATTERN "skin.stamp" EXCLUDE)
  install(DIRECTORY ${MORVANE_QT_PREFIX}/LICENSES/ DESTINATION licenses/Qt)
endif()

set(CPACK_GENERATOR ZIP)
# An installer too where NSIS is at hand (Debian nsis): under Program Files,
# with a Start menu entry and an uninstaller. It makes the two registry keys
# the program reads and writes (it never makes them itself), as the keyboard
# maker's installer does.
find_program(MORVANE_MAKENSIS makensis NO_CMAKE_FIND_ROOT_PATH)
if(MORVANE_MAKENSIS AND TARGET morvane)
  list(APPEND CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_EXECUTABLE ${MORVANE_MAKENSIS})
  # A 64-bit installer for a 64-bit program, into the 64-bit Program Files.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Morvane)
  set(CPACK_NSIS_PACKAGE_NAME Morvane)
  set(CPACK_NSIS_DISPLAY_NAME Morvane)
  set(CPACK_NSIS_INSTALLED_ICON_NAME morvane.exe)
  set(CPACK_NSIS_MUI_FINISHPAGE_RUN morvane.exe)
  set(CPACK_PACKAGE_EXECUTABLES morvane Morvane)
  set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
  # The keys only (their unnamed value): values a user has already stay.
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "WriteRegStr HKCU 'Software\\QX703' '' ''\nWriteRegStr HKCU 'Software\\QX915' '' ''")
endif()
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane developers")
set(CPACK_PACKAGE_FILE_NAME morvane-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The window's Windows-only rules, beside its DLLs.
if(TARGET morvane_view)
  add_executable(morvane_view_tests tests/gui/test_windows_keys.cpp)
  target_link_libraries(morvane_view_tests PRIVATE morvane_view GTest::gtest GTest::gtest_main)
  add_dependencies(morvane_view_tests morvane)
endif()
