# Fails when PROGRAM needs a Qt library: its dynamic section names none.
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE section RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "readelf cannot read ${PROGRAM}")
endif()
if(section MATCHES "libQt")
  string(REGEX MATCHALL "\\[libQt[^]]*\\]" needed "${section}")
  message(FATAL_ERROR "${PROGRAM} needs Qt: ${needed}")
endif()
