# The client program quorvi: its shell (entry, main window, event dispatch,
# window mechanics, settings panel) in quorvi_client_shell, the program in the
# program folder, and the shell's tests. Included from client/CMakeLists.txt.
#
# Sections: library | program | tests

# The main window needs the widget layer.
if(NOT TARGET quorvi_ui_core)
  return()
endif()

# ---- library ---------------------------------------------------------------------------
add_library(quorvi_client_shell STATIC
  shell/frame_mechanics.cpp
  shell/main_dispatch.cpp
  shell/main_timers.cpp
  shell/main_window_controls.cpp
  shell/main_window_services.cpp
  shell/program_entry.cpp
  shell/quorvi_frame_wnd.cpp
  shell/school_account.cpp
  shell/settings_panel.cpp
)
target_link_libraries(quorvi_client_shell
  PUBLIC quorvi_client_catalogue_ui quorvi_client_core quorvi_client_workers quorvi_ui_core
         merv_static quorvi_platform)

# ---- program ---------------------------------------------------------------------------
# It shows its windows through the on-screen backend (GTK, cairo, WebKit).
if(TARGET quorvi_ui_screen)
  add_executable(quorvi main.cpp)
  target_link_libraries(quorvi PRIVATE quorvi_client_shell quorvi_ui_screen)
  quorvi_install_to_dist(quorvi)
  if(TARGET quorvi_skin)
    add_dependencies(quorvi quorvi_skin)
  endif()
endif()

# ---- tests -----------------------------------------------------------------------------
quorvi_add_test(client_window_tests
  SOURCES
    shell/frame_mechanics_test.cpp
    shell/main_dispatch_test.cpp
    shell/quorvi_frame_wnd_test.cpp
    shell/school_account_test.cpp
    shell/settings_panel_test.cpp
  LIBS quorvi_client_shell)
target_compile_definitions(client_window_tests PRIVATE
  QUORVI_SKIN_DIR="${CMAKE_SOURCE_DIR}/skin/quorvi")

# The program itself on a virtual X display: shown, then closed.
if(TARGET quorvi AND COMMAND quorvi_ui_run_under_xvfb)
  pkg_check_modules(PROGRAM_TEST_X11 REQUIRED IMPORTED_TARGET x11 xtst)
  quorvi_add_test(client_program_tests
    SOURCES main_test.cpp
    LIBS PkgConfig::PROGRAM_TEST_X11)
  target_compile_definitions(client_program_tests PRIVATE
    QUORVI_PROGRAM="$<TARGET_FILE:quorvi>"
    QUORVI_SKIN_DIR="${CMAKE_SOURCE_DIR}/skin/quorvi")
  add_dependencies(client_program_tests quorvi)
  quorvi_ui_run_under_xvfb(client_program_tests)
endif()
