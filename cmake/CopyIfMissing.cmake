# cmake -DSOURCE=a -DDESTINATION=b -P CopyIfMissing.cmake: copies a to b unless b exists.
if(NOT EXISTS "${DESTINATION}")
  file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
