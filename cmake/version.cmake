# The version and its date come from the top entry of packaging/changelog,
# the one place a release is recorded. Sets BQ_VERSION ("1.0") and
# BQ_RELEASE_DATE ("2026-12-09"), and writes app/core/version.h into the
# build's generated/ folder for the programs that show the version (only
# they see that folder, so the other objects keep their compile lines).

file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog bq_changelog)
list(GET bq_changelog 0 bq_top)
if(NOT bq_top MATCHES "^brindlequay \\(([^) ]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: the first line names no version: ${bq_top}")
endif()
set(BQ_VERSION ${CMAKE_MATCH_1})
# The entry's trailer: " -- Name <mail>  Wed, 09 Dec 2026 22:00:00 +0000".
foreach(line IN LISTS bq_changelog)
  if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(bq_day ${CMAKE_MATCH_1})
    set(bq_year ${CMAKE_MATCH_3})
    set(bq_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND bq_months ${CMAKE_MATCH_2} bq_month)
    math(EXPR bq_month "${bq_month} + 1")
    if(bq_month LESS 10)
      set(bq_month 0${bq_month})
    endif()
    set(BQ_RELEASE_DATE ${bq_year}-${bq_month}-${bq_day})
    break()
  endif()
endforeach()
if(NOT BQ_RELEASE_DATE)
  message(FATAL_ERROR "packaging/changelog: the first entry has no trailer line with its date")
endif()

configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${CMAKE_BINARY_DIR}/generated/app/core/version.h @ONLY)
foreach(target brindlequay-cli bq_gui brindlequay)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
  endif()
endforeach()
