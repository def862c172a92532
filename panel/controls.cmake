# The controls logic: plain C++ over the engine, shared by the dialog and the offline renderer.
add_library(controls STATIC ${CMAKE_CURRENT_LIST_DIR}/panel_controls.cc)
target_link_libraries(controls PUBLIC engine)
target_include_directories(controls PUBLIC ${PROJECT_SOURCE_DIR})
