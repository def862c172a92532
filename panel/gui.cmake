# The Qt dialog and application that bind the panel's widgets to the plain logic.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
set(CMAKE_AUTOMOC ON)

add_library(panel_gui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/panel_dlg.cc
  ${CMAKE_CURRENT_LIST_DIR}/panel_dlg.h
  ${CMAKE_CURRENT_LIST_DIR}/panel_app.cc
  ${CMAKE_CURRENT_LIST_DIR}/panel_app.h
  ${CMAKE_CURRENT_LIST_DIR}/panel_icon.cc
  ${CMAKE_CURRENT_LIST_DIR}/qt_panel_services.cc)
target_link_libraries(panel_gui PUBLIC transport Qt6::Widgets)

add_executable(grainpanel ${CMAKE_CURRENT_LIST_DIR}/main.cc)
target_link_libraries(grainpanel PRIVATE panel_gui)
set_target_properties(grainpanel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
