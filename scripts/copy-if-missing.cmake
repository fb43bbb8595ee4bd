# Copies SRC to DST only when DST does not exist yet (it holds the user's settings).
if(NOT EXISTS "${DST}")
  configure_file("${SRC}" "${DST}" COPYONLY)
endif()
