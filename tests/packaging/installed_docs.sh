#!/bin/sh
# The installed tree has the manual pages and the bash completion:
# "man tpscalc-cli" shows the help of every command, and the completion
# offers the commands and a command's options.
#   installed_docs.sh BUILD_DIR SCRATCH_DIR
set -eu
build=$1
root=$2
rm -rf "$root"
cmake --install "$build" --prefix "$root" >/dev/null
page=$(MANWIDTH=100 man --manpath="$root/share/man" tpscalc-cli 2>/dev/null)
for part in "COMMANDS" "solve" "schedule make" "exit codes" "example"; do
  printf '%s' "$page" | grep -q -- "$part" || { echo "man tpscalc-cli lacks: $part"; exit 1; }
done
MANWIDTH=100 man --manpath="$root/share/man" tpscalc 2>/dev/null | grep -q -- "--workdir" || { echo "man tpscalc lacks --workdir"; exit 1; }
completion="$root/share/bash-completion/completions/tpscalc-cli"
PATH="$root/bin:$PATH" bash -c '
  . "$1"
  COMP_WORDS=(tpscalc-cli so); COMP_CWORD=1; _tpscalc_cli
  [ "${COMPREPLY[*]}" = "solve" ] || { echo "command: ${COMPREPLY[*]}"; exit 1; }
  COMP_WORDS=(tpscalc-cli batch --sch); COMP_CWORD=2; _tpscalc_cli
  [ "${COMPREPLY[*]}" = "--scheme" ] || { echo "option: ${COMPREPLY[*]}"; exit 1; }
  COMP_WORDS=(tpscalc-cli run --mode p); COMP_CWORD=3; _tpscalc_cli
  [ "${COMPREPLY[*]}" = "prob" ] || { echo "mode: ${COMPREPLY[*]}"; exit 1; }
' sh "$completion"
rm -rf "$root"
echo ok
