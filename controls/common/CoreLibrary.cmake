# The part of the controls' common code that needs only QtCore: the control registry
# file, the persisted-state records and the choice lists. controls/common builds it for
# the modules and the wrappers; fuzz/ includes this file too, since it builds without
# widgets and so without controls/.
if(TARGET toneloom_controls_core)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../fileio/FileIo.cmake)

get_filename_component(_toneloom_controls_root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
add_library(toneloom_controls_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ControlRegistry.h ${CMAKE_CURRENT_LIST_DIR}/ControlRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StateFormat.h ${CMAKE_CURRENT_LIST_DIR}/StateFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlStates.h ${CMAKE_CURRENT_LIST_DIR}/ControlStates.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChoiceList.h ${CMAKE_CURRENT_LIST_DIR}/ChoiceList.cpp
)
# Linked into every module, hidden like the rest of the common code.
set_target_properties(toneloom_controls_core PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON POSITION_INDEPENDENT_CODE ON)
target_include_directories(toneloom_controls_core PUBLIC ${_toneloom_controls_root})
target_link_libraries(toneloom_controls_core PUBLIC toneloom_fileio Qt6::Core)
toneloom_set_warnings(toneloom_controls_core)
