# Build step (cmake -P): turns one manual page written in Markdown (docs/man/NAME.1.md) into
# a compressed man page. In the source, @VERSION@ and @DATE@ stand for the package's version
# and the date of its latest changelog entry, and a line "@USAGE name@" for the reg tool's
# usage text of that name, shown as a literal block: the page shows the words `reg /?` prints.
# In: SRC, OUT (.1.gz), MD2MAN, VERSION, DATE, USAGE_DIR.
cmake_minimum_required(VERSION 3.25)
include("${USAGE_DIR}/usagetext.cmake")
file(READ "${SRC}" page)
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@DATE@" "${DATE}" page "${page}")
string(REGEX MATCHALL "\n@USAGE [a-z]+@\n" usages "${page}")
foreach(mark IN LISTS usages)
    string(REGEX REPLACE "\n@USAGE ([a-z]+)@\n" "\\1" name "${mark}")
    if(NOT name IN_LIST TAV_REG_USAGE_NAMES)
        message(FATAL_ERROR "${SRC}: no usage text named ${name}")
    endif()
    tav_reg_usage_text("${USAGE_DIR}" ${name} text)
    # An indented block keeps every character and line break of the text.
    string(REGEX REPLACE "\n$" "" text "${text}")
    string(REPLACE "\n" "\n    " text "${text}")
    string(REPLACE "${mark}" "\n    ${text}\n" page "${page}")
endforeach()
if(page MATCHES "@[A-Z]+[ @]")
    message(FATAL_ERROR "${SRC}: a placeholder is left: ${CMAKE_MATCH_0}")
endif()
set(md "${OUT}.md")
set(roff "${OUT}.roff")
file(WRITE "${md}" "${page}")
execute_process(COMMAND "${MD2MAN}" -in "${md}" -out "${roff}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${MD2MAN} failed on ${SRC}")
endif()
# Maximum compression without a name or time stamp, as Debian's policy asks.
execute_process(COMMAND gzip -9n -c "${roff}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${roff}")
endif()
file(REMOVE "${md}" "${roff}")
