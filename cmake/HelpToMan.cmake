# A manual page from a program's own --help, so that the page says what the
# program says: the main help, then the help of each command.
#   cmake -DPROGRAM=path -DNAME=tpscalc-cli -DVERSION=x.y -DSUMMARY=text
#         -DCOMMANDS="seed,schedule:show,..." -DSEEALSO=tpscalc -DOUT=file -P HelpToMan.cmake
# A command "a:b" is the subcommand b of a.

function(roff_block text out)
  # Literal text: backslashes escaped, a line starting with "." or "'" kept as text.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

function(help_of args out)
  execute_process(COMMAND ${PROGRAM} ${args} --help
                  OUTPUT_VARIABLE text RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${args} --help failed: ${rc}")
  endif()
  string(STRIP "${text}" text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" upper)
help_of("" main)
roff_block("${main}" main_roff)
set(page ".TH ${upper} 1 \"\" \"tpscalc ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n${main_roff}")
if(COMMANDS)
  string(REPLACE "," ";" COMMANDS "${COMMANDS}")
  string(APPEND page ".SH COMMANDS\n")
  foreach(command ${COMMANDS})
    string(REPLACE ":" ";" words "${command}")
    string(REPLACE ":" " " title "${command}")
    help_of("${words}" text)
    roff_block("${text}" block)
    string(APPEND page ".SS ${title}\n${block}")
  endforeach()
endif()
if(SEEALSO)
  string(APPEND page ".SH SEE ALSO\n.BR ${SEEALSO} (1)\n")
endif()
file(WRITE "${OUT}" "${page}")
