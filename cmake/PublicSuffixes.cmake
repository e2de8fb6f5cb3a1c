# Turns the Public Suffix List (public_suffix_list.dat, as Debian's publicsuffix package installs
# it) into a sorted C++ table of its rules, so that the redactor can tell registrable domains
# apart without a list of our own and without reading a file at run time.
#
#   cmake -DLIST=public_suffix_list.dat -DOUT=public_suffixes.inc -P PublicSuffixes.cmake
#
# A rule is the text of a line up to its first blank; comment lines (//) and empty lines are not
# rules. Wildcard (*.) and exception (!) rules are written as they stand; the rules are sorted in
# byte order, which is the order std::string_view compares in.
if(NOT LIST OR NOT OUT)
  message(FATAL_ERROR "PublicSuffixes.cmake needs -DLIST=... and -DOUT=...")
endif()
file(STRINGS "${LIST}" lines ENCODING UTF-8)
set(rules "")
set(longest 0)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "[ \t\r].*$" "" rule "${line}")
  if(rule STREQUAL "" OR rule MATCHES "^//")
    continue()
  endif()
  if(NOT rule MATCHES "^[^\"\\\\]+$")
    message(FATAL_ERROR "unexpected rule in ${LIST}: ${rule}")
  endif()
  string(TOLOWER "${rule}" rule)
  list(APPEND rules "${rule}")
  string(REGEX MATCHALL "\\." dots "${rule}")
  list(LENGTH dots n)
  math(EXPR n "${n} + 1")
  if(n GREATER longest)
    set(longest ${n})
  endif()
endforeach()
list(REMOVE_DUPLICATES rules)
list(SORT rules COMPARE STRING)
list(LENGTH rules count)
if(count LESS 1000)
  message(FATAL_ERROR "${LIST} holds only ${count} rules: not the Public Suffix List")
endif()
set(body "")
foreach(rule IN LISTS rules)
  string(APPEND body "    \"${rule}\",\n")
endforeach()
file(WRITE "${OUT}.tmp"
  "// Generated from ${LIST} by cmake/PublicSuffixes.cmake; do not edit.\n"
  "constexpr std::size_t kPublicSuffixRuleLabels = ${longest};\n"
  "constexpr std::array<std::string_view, ${count}> kPublicSuffixRules = {\n${body}};\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
