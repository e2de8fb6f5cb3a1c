# rq_host_headers(<out-var> <dir>): a directory in the build tree that holds only
# /usr/include/<dir> (as a symbolic link), for header-only packages shared with the build machine.
function(rq_host_headers out dir)
  set(root ${CMAKE_BINARY_DIR}/host-headers/${dir})
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: install the Debian package that holds it")
  endif()
  if(NOT EXISTS ${root}/${dir})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK /usr/include/${dir} ${root}/${dir} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()
