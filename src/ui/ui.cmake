# The Windows program: the operator window on top of the HTTP service.
enable_language(RC)

add_library(orvane_ui STATIC
  src/ui/win_text.cpp
  src/ui/log_box.cpp
  src/ui/tray_icon.cpp
  src/ui/tray_controller.cpp
  src/ui/dpi.cpp
  src/ui/keyboard_focus.cpp
  src/ui/window_panel.cpp
  src/ui/server_control.cpp
  src/ui/port_box.cpp
  src/ui/clipboard.cpp
  src/ui/shell_actions.cpp
  src/ui/drop_target.cpp
  src/ui/address_watch.cpp
  src/ui/address_menu.cpp
  src/ui/qr_window.cpp
  src/ui/phone_view.cpp
  src/ui/address_presenter.cpp
  src/ui/options_menu.cpp
  src/ui/settings_keeper.cpp
  src/ui/firewall_com.cpp
  src/ui/program_file.cpp
  src/ui/firewall_advisor.cpp
  src/ui/firewall_helper.cpp
  src/ui/main_window.cpp
  src/ui/window_classes.cpp
)
target_compile_definitions(orvane_ui PRIVATE UNICODE _UNICODE
  ORVANE_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
# oleaut32: the BSTR and VARIANT of the firewall's COM interface.
target_link_libraries(orvane_ui PUBLIC orvane_ui_rules orvane_front orvane_service
  comctl32 iphlpapi shell32 ole32 oleaut32 uuid imm32 user32 gdi32)

# The icon is drawn at build time by a small program for the build machine:
# built with the host's compiler when cross-compiling, else as a target of
# this build (MinGW or MSVC on Windows itself).
set(ORVANE_ICON_FILE ${CMAKE_CURRENT_BINARY_DIR}/orvane.ico)
if(CMAKE_CROSSCOMPILING)
  find_program(ORVANE_HOST_CXX NAMES c++ g++ REQUIRED)
  set(ORVANE_ICON_TOOL ${CMAKE_CURRENT_BINARY_DIR}/make_icon)
  add_custom_command(
    OUTPUT ${ORVANE_ICON_TOOL}
    COMMAND ${ORVANE_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Werror
            -o ${ORVANE_ICON_TOOL} ${CMAKE_CURRENT_SOURCE_DIR}/tools/make_icon/make_icon.cpp
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/make_icon/make_icon.cpp
    COMMENT "Building the icon generator for the build machine")
else()
  add_executable(make_icon tools/make_icon/make_icon.cpp)
  set(ORVANE_ICON_TOOL make_icon)
endif()
add_custom_command(
  OUTPUT ${ORVANE_ICON_FILE}
  COMMAND ${ORVANE_ICON_TOOL} ${ORVANE_ICON_FILE}
  DEPENDS ${ORVANE_ICON_TOOL}
  COMMENT "Drawing the program icon")

set(ORVANE_MANIFEST_FILE ${CMAKE_CURRENT_SOURCE_DIR}/src/app/orvane.manifest)
configure_file(src/app/orvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/orvane.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/orvane.rc PROPERTIES
  OBJECT_DEPENDS "${ORVANE_ICON_FILE};${ORVANE_MANIFEST_FILE}")

add_executable(OrvaneServer WIN32
  src/app/win_main.cpp
  src/app/quiet_terminate.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/orvane.rc
)
target_compile_definitions(OrvaneServer PRIVATE UNICODE _UNICODE)
target_include_directories(OrvaneServer PRIVATE src)
target_link_libraries(OrvaneServer PRIVATE orvane_ui)
if(MINGW)
  # The shipped program carries no debug sections (the static runtime brings some).
  target_link_options(OrvaneServer PRIVATE -s)
endif()
