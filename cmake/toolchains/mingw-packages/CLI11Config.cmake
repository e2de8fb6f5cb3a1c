# CLI11 for the cross build: the build machine's header-only package, seen through a directory
# that holds nothing but its headers (adding all of /usr/include would hand the cross compiler
# the build machine's C library headers).
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
if(NOT TARGET CLI11::CLI11)
  rq_host_headers(_rq_dir CLI)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${_rq_dir}"
                                                INTERFACE_COMPILE_FEATURES cxx_std_11)
endif()
set(CLI11_FOUND TRUE)
