#!/usr/bin/env bash
# The include check passes on the tree as it is and fails, naming the cycle,
# when a lower folder includes a header of a folder above it.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
check="$root/scripts/check-includes"

"$check" "$root/src"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cp -r "$root/src" "$tmp/src"
# The GL helpers reaching up into the shell's objects closes a cycle.
sed -i '0,/#include "/s//#include "shell\/objects\/globals.h"\n#include "/' "$tmp/src/render/glhelpers.h"
if "$check" "$tmp/src" 2>"$tmp/out"; then
  echo "FAIL: a planted upward include passed the check" >&2
  exit 1
fi
grep -q 'render includes shell/objects' "$tmp/out" || { cat "$tmp/out" >&2; echo "FAIL: cycle not named" >&2; exit 1; }
echo "include check: passes on src/, fails on a planted upward include"
