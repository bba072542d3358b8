# The checked, atomic file writer every writer of the program goes through: QtCore
# only, below every other library, so that the control modules (which stand apart from
# the program's libraries) link it too. Included from the top and from
# controls/common/CoreLibrary.cmake, which fuzz/ also includes on its own.
if(TARGET toneloom_fileio)
  return()
endif()

get_filename_component(_toneloom_fileio_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
add_library(toneloom_fileio STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.h ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
)
# Hidden, as it is linked into each control module as well as into the programs.
set_target_properties(toneloom_fileio PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON POSITION_INDEPENDENT_CODE ON)
target_include_directories(toneloom_fileio PUBLIC ${_toneloom_fileio_root})
target_link_libraries(toneloom_fileio PUBLIC Qt6::Core)
toneloom_set_warnings(toneloom_fileio)
