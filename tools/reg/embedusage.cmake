# Build step (cmake -P): writes the usage texts of usage/ as C string constants, one per
# text, for regusage.cpp. In: USAGE_DIR, OUT.
cmake_minimum_required(VERSION 3.25)
include("${USAGE_DIR}/usagetext.cmake")
set(code "// Generated from tools/reg/usage/*.txt by embedusage.cmake: edit the texts there.\n")
foreach(name IN LISTS TAV_REG_USAGE_NAMES)
    tav_reg_usage_text("${USAGE_DIR}" ${name} text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\n" "\\n\"\n    \"" text "${text}")
    string(APPEND code "const char kUsage_${name}[] =\n    \"${text}\";\n")
endforeach()
# Replaced only when it changes, so an unchanged text recompiles nothing.
file(WRITE "${OUT}.new" "${code}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
