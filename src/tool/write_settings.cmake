# klvtool write-settings: included by src/tool/CMakeLists.txt (and by the
# camera tests when building without it).
if(NOT TARGET klv_tool_write_settings)
  add_library(klv_tool_write_settings STATIC ${CMAKE_CURRENT_LIST_DIR}/cmd_write_settings.cpp)
  target_include_directories(klv_tool_write_settings PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(klv_tool_write_settings PUBLIC klv_camera)
endif()
