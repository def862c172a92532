# The transport: run flag, worker, sample buffer and engine calls for Run/Stop and File...,
# plain C++ over the controls logic, WAV loading and the synthesis thread.
add_library(transport STATIC ${CMAKE_CURRENT_LIST_DIR}/transport.cc)
target_link_libraries(transport PUBLIC controls audio wave engine)
target_include_directories(transport PUBLIC ${PROJECT_SOURCE_DIR})
