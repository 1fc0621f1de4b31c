#!/usr/bin/env bash
# check_completion.sh DIR: the bash completion DIR holds offers what a user expects at each
# place of a command line; zsh's and fish's files are read by their shells where installed.
set -u
dir=$1
fail=0
for program in tesmora tesmora-render tesmora-info tesmora-flowgen tesmora-convert; do
  # shellcheck source=/dev/null
  source "$dir/bash/$program" || fail=1
done
# The words bash would offer for the command line WORDS..., the last being the one typed.
offered() {
  local fn=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$fn"
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {
  local want=$1 got
  shift
  got=$(offered "$@")
  if [[ $got != "$want" ]]; then
    echo "for '${*:2}': offered '$got', expected '$want'"
    fail=1
  fi
}
cd "$(mktemp -d)" || exit 1
touch a.gri b.CSV c.png d.vtr e
mkdir sub
expect "black none pressure speed vorticity white " _tesmora_render tesmora-render x.gri --background ""
expect "euler rk2 rk4 " _tesmora_render tesmora-render --method ""
expect "pdf png svg " _tesmora_render tesmora-render --format ""
expect "--background " _tesmora_render tesmora-render --backg
expect "--json --json-lines " _tesmora_info tesmora-info --js
expect "cylinder double-gyre forced-double-gyre moving-vortex-street rotation saddle vortex-street " _tesmora_flowgen tesmora-flowgen ""
expect "cylinder " _tesmora_flowgen tesmora-flowgen --ni 20 cy
expect "a.gri sub " _tesmora_flowgen tesmora-flowgen cylinder ""
expect "a.gri b.CSV d.vtr sub " _tesmora tesmora ""
expect "a.gri b.CSV d.vtr sub " _tesmora_render tesmora-render --seed 7 a.gri ""
expect "a.gri b.CSV c.png d.vtr e sub " _tesmora_render tesmora-render a.gri -o ""
expect "a.gri sub " _tesmora_convert tesmora-convert b.CSV ""
expect "" _tesmora_render tesmora-render --dsep ""
if command -v zsh >/dev/null; then zsh -n "$dir/zsh/_tesmora" || fail=1; fi
if command -v fish >/dev/null; then
  for file in "$dir"/fish/*.fish; do fish --no-execute "$file" || fail=1; done
fi
exit $fail
