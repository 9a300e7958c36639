# Makes kestrum's man page from its own help, run as
#   cmake -DKESTRUM=<program> -DHELP2MAN=<help2man> -DVERSION=<version> -DOUTPUT=<kestrum.1>
#         -P kestrum_man_page.cmake
# help2man writes the page from `kestrum --help`; each subcommand's help (`kestrum help
# NAME`, for every subcommand --help lists) becomes a subsection of SUBCOMMANDS.
execute_process(COMMAND ${KESTRUM} --help OUTPUT_VARIABLE top RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${KESTRUM} --help failed (${status})")
endif()
string(REGEX REPLACE ".*\nSubcommands:\n" "" listed "${top}")
string(REGEX MATCHALL "(^|\n)  [a-z][a-z-]*" names "${listed}")

set(include "[SUBCOMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  execute_process(COMMAND ${KESTRUM} help ${name} OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${KESTRUM} help ${name} failed (${status})")
  endif()
  # roff: backslashes escaped, and no line may start with a control character.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND include ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
set(include_file ${OUTPUT}.include)
file(WRITE ${include_file} "${include}")

execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --version-string=${VERSION}
          --name=align\ objects\ of\ scene\ files\ with\ the\ Kestrum\ plug-in
          --include=${include_file} --output=${OUTPUT} ${KESTRUM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
