include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake OPTIONAL
        RESULT_VARIABLE _rq_found)
if(NOT _rq_found)
  set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
