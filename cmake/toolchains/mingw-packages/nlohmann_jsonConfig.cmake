# nlohmann-json for the cross build: the build machine's header-only package, seen through a
# directory that holds nothing but its headers.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
if(NOT TARGET nlohmann_json::nlohmann_json)
  rq_host_headers(_rq_dir nlohmann)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json
                        PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${_rq_dir}"
                                   INTERFACE_COMPILE_FEATURES cxx_std_11)
endif()
set(nlohmann_json_FOUND TRUE)
