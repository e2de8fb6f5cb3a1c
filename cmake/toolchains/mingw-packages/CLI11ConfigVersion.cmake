include(/usr/share/cmake/CLI11/CLI11ConfigVersion.cmake OPTIONAL RESULT_VARIABLE _rq_found)
if(NOT _rq_found)
  set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
