# The reg tool's usage texts, one file per text in this folder: reg.txt for the whole tool,
# query.txt, add.txt, delete.txt, export.txt, import.txt, copy.txt and compare.txt for the
# operations. A line that holds only %KEYNAME% stands for the description of a key name
# (keyname.txt).
# Both the program's `/?` texts (embedusage.cmake) and the manual page read them through here.

# Sets OUT to the usage text NAME (reg, query, add, ... compare) as printed.
function(tav_reg_usage_text dir name out)
    file(READ "${dir}/${name}.txt" text)
    file(READ "${dir}/keyname.txt" keyname)
    string(REPLACE "%KEYNAME%\n" "${keyname}" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(TAV_REG_USAGE_NAMES reg query add delete export import copy compare)
