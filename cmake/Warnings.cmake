# Every target of ours calls rq_set_warnings so GCC and Clang builds stay warning-free. It also
# carries the instrumentation of the sanitizer and fuzzing builds, so that every layer is built
# once, the same way, and the fuzz targets link the very layer targets the programs link.
function(rq_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(RQ_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(RQ_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(RQ_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(RQ_BUILD_FUZZ)
    # Coverage for libFuzzer without its main(); the programs of this build (rqsample makes the
    # fuzzers' seeds) link the sanitizer runtimes, which also answer the coverage hooks.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=undefined
                                             -fno-omit-frame-pointer -g)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
