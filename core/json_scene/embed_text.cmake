# Writes OUTPUT: a C++ source defining `const char* const SYMBOL` with the text of INPUT.
file(READ ${INPUT} text)
set(delimiter "kestrum_embedded")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter")
endif()
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const char* const ${SYMBOL};\n"
  "const char* const ${SYMBOL} = R\"${delimiter}(${text})${delimiter}\";\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
