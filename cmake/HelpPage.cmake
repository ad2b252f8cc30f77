# SPDX-License-Identifier: GPL-3.0-or-later
# Makes one page of the user guide from its own heading and body (SOURCE):
# the head, and the navigation over every page of the guide (LIST, a line
# "file caption" per page), which all pages share.
#   cmake -DSOURCE=help/label.html -DLIST=help/pages.list -DOUTPUT=out.html -P HelpPage.cmake
file(READ "${SOURCE}" page)
cmake_path(GET SOURCE FILENAME name)

string(REGEX MATCH "<h1>([^<]*)</h1>" heading "${page}")
if(NOT heading)
    message(FATAL_ERROR "${SOURCE}: no <h1> heading")
endif()
set(title "${CMAKE_MATCH_1}")
if(NOT title STREQUAL "Kelvra user guide")
    string(APPEND title " &mdash; Kelvra user guide")
endif()

string(FIND "${page}" "\n<main>" split)
if(split LESS 0)
    message(FATAL_ERROR "${SOURCE}: no <main>")
endif()
string(SUBSTRING "${page}" 0 ${split} intro)
math(EXPR split "${split} + 1")
string(SUBSTRING "${page}" ${split} -1 body)

file(STRINGS "${LIST}" entries)
set(nav "")
set(listed FALSE)
foreach(entry IN LISTS entries)
    string(REGEX MATCH "^([^ ]+) (.+)$" pair "${entry}")
    set(current "")
    if(CMAKE_MATCH_1 STREQUAL name)
        set(current " class=\"current\"")
        set(listed TRUE)
    endif()
    string(APPEND nav "<li><a href=\"${CMAKE_MATCH_1}\"${current}>${CMAKE_MATCH_2}</a></li>\n")
endforeach()
if(NOT listed)
    message(FATAL_ERROR "${SOURCE}: not in ${LIST}")
endif()

file(WRITE "${OUTPUT}" "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<link rel=\"stylesheet\" href=\"style.css\">
</head>
<body>
<header>
${intro}<nav aria-label=\"Guide pages\">
<ul>
${nav}</ul>
</nav>
</header>

${body}</body>
</html>
")
