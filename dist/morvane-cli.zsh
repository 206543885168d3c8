#compdef morvane-cli
# SPDX-License-Identifier: MIT
# zsh completion for morvane-cli: the program completes its own command line
# from the words as typed, unquoted; compadd quotes what it inserts.
local -a candidates
candidates=("${(@f)$(morvane-cli --complete-raw "${(@Q)words[2,CURRENT]}" 2>/dev/null)}")
candidates=(${candidates:#})
if (( ${#candidates} )); then
  compadd -a candidates
else
  # Paths (program, file, folder, --log, --device sim:STATE) are the shell's.
  _files
fi
