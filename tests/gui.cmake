# The Qt panel's tests: only with the GUI built.
if(GRAIN_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  grain_test(panel_dlg_test panel_gui Qt6::Test)
endif()
