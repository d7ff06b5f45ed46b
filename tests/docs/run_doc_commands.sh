#!/usr/bin/env bash
# Runs every command of the README and the user's guide as it is written there:
# the lines of the fenced blocks marked "sh" that start with "tpscalc-cli" or
# "build/tpscalc-cli" (a line ending with "\" goes on in the next one), one
# document after the other, each in a fresh folder holding a copy of
# docs/examples, in the order they are written. A command must exit 0, or the
# code its line names in a trailing comment "# exit N".
#
# Usage: run_doc_commands.sh CLI SOURCE_DIR
set -u
cli=$1
src=$2
failed=0
ran=0

# The commands of one document, one a line, continuation lines joined.
commands_of() {
  awk '
    /^```/ {
      if (inblock) { inblock = 0; next }
      lang = substr($0, 4); sub(/[ \t].*$/, "", lang)
      inblock = (lang == "sh" || lang == "bash" || lang == "shell" || lang == "console")
      next
    }
    inblock {
      line = $0
      if (pending != "") { line = pending " " line; pending = "" }
      if (line ~ /\\$/) { sub(/\\$/, "", line); pending = line; next }
      sub(/^[ \t]*\$?[ \t]*/, "", line)
      if (line ~ /^(build\/)?tpscalc-cli([ \t]|$)/) print line
    }
  ' "$1"
}

for doc in README.md docs/user-guide.md; do
  folder=$(mktemp -d)
  trap 'rm -rf "$folder"' EXIT
  mkdir -p "$folder/bin" "$folder/build" "$folder/docs" "$folder/home"
  ln -s "$cli" "$folder/bin/tpscalc-cli"
  ln -s "$cli" "$folder/build/tpscalc-cli"
  cp -r "$src/docs/examples" "$folder/docs/"
  while IFS= read -r command; do
    want=0
    if [[ $command =~ \#[[:space:]]*exit[[:space:]]+([0-9]+)[[:space:]]*$ ]]; then want=${BASH_REMATCH[1]}; fi
    (cd "$folder" && PATH="$folder/bin:$PATH" HOME="$folder/home" XDG_DATA_HOME="$folder/home/.local/share" \
      bash -c "$command" >"$folder/out" 2>"$folder/err" </dev/null)
    got=$?
    ran=$((ran + 1))
    if [[ $got != "$want" ]]; then
      echo "FAIL ($doc, exit $got, expected $want): $command"
      head -c 2000 "$folder/err"
      failed=$((failed + 1))
    else
      echo "ok   ($doc, exit $got): $command"
    fi
  done < <(commands_of "$src/$doc")
  rm -rf "$folder"
  trap - EXIT
done

echo "$ran commands run, $failed failed"
if ((ran == 0)); then
  echo "no command found in the documents"
  exit 1
fi
((failed == 0))
