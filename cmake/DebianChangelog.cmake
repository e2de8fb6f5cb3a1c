# Makes the Debian changelog from CHANGELOG.md, so that the package's history is the one the
# project keeps and never a second copy kept by hand.
#
#   cmake -DINPUT=CHANGELOG.md -DOUTPUT=changelog -DVERSION=0.2.0 -DMAINTAINER="Name <mail>"
#         -P DebianChangelog.cmake
#
# Each "## VERSION (YYYY-MM-DD)" heading becomes an entry dated that day; its "- " items become
# "  * " lines, and their continuation lines (indented by two blanks) stay under them. The build
# fails when the newest entry is not VERSION, or a line does not fit Debian's 80 columns, rather
# than ship a package whose changelog says nothing of it.

# "Mon, 07 Dec 2026 00:00:00 +0000" for 2026-12-07 (the weekday by Zeller's congruence).
function(rq_rfc2822_date year month day out)
  math(EXPR m "${month}")
  math(EXPR d "${day}")
  set(y ${year})
  if(m LESS 3)
    math(EXPR m "${m} + 12")
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR k "${y} % 100")
  math(EXPR j "${y} / 100")
  math(EXPR h "(${d} + (13 * (${m} + 1)) / 5 + ${k} + ${k} / 4 + ${j} / 4 + 5 * ${j}) % 7")
  set(weekdays Sat Sun Mon Tue Wed Thu Fri)
  list(GET weekdays ${h} weekday)
  math(EXPR month_index "${month} - 1")
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET months ${month_index} month_name)
  set(${out} "${weekday}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

file(STRINGS ${INPUT} lines)
set(text "")
set(trailer "")
set(first_version "")
foreach(line IN LISTS lines)
  if(line MATCHES "^## ([0-9][0-9.]*) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
    if(first_version STREQUAL "")
      set(first_version ${CMAKE_MATCH_1})
    endif()
    rq_rfc2822_date(${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4} date)
    string(APPEND text "${trailer}rqtracker (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
    set(trailer "\n -- ${MAINTAINER}  ${date}\n\n")
  elseif(first_version STREQUAL "" OR line STREQUAL "")
    continue()  # the introduction, and the blank lines between items
  elseif(line MATCHES "^- (.*)$")
    set(out "  * ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^  ([^ ].*)$")
    set(out "    ${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${INPUT}: not a heading, an item or its continuation: ${line}")
  endif()
  if(DEFINED out)
    string(LENGTH "${out}" length)
    if(length GREATER 80)
      message(FATAL_ERROR "${INPUT}: longer than Debian's 80 columns: ${line}")
    endif()
    string(APPEND text "${out}\n")
    unset(out)
  endif()
endforeach()
if(NOT first_version STREQUAL VERSION)
  message(FATAL_ERROR "${INPUT}: the newest entry is '${first_version}', not this version, "
                      "${VERSION}: say what it brings first")
endif()
string(REGEX REPLACE "\n\n$" "\n" trailer "${trailer}")
file(WRITE ${OUTPUT} "${text}${trailer}")
