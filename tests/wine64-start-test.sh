#!/usr/bin/env bash
# tests/wine64-bin/wine against a stand-in loader: what it starts runs without
# address randomisation (ADDR_NO_RANDOMIZE, 0x0040000, in its personality), gets
# its arguments as given and hands back its exit status; where the kernel refuses
# the setting, the loader still runs.
set -euo pipefail
starter=$(cd "$(dirname "$0")" && pwd)/wine64-bin/wine
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/loader" <<'FAKE'
#!/usr/bin/env bash
printf '%s|' "$(cat /proc/self/personality)" "$@"
exit "$FAKE_STATUS"
FAKE
mkdir "$work/refusing"
printf '#!/bin/sh\necho "setarch: failed to set personality" >&2\nexit 1\n' >"$work/refusing/setarch"
chmod +x "$work/loader" "$work/refusing/setarch"

failures=0
#   setarch    status  personality  what the loader is given
rows=(
  "allowed     0       00040000     C:\\SETUP.EXE|/DIR=C:\\Program Files\\App|"
  "allowed     67      00040000     C:\\SETUP.EXE|"
  "refused     67      own          C:\\SETUP.EXE|"
)
for row in "${rows[@]}"; do
  read -r setarch status personality given <<<"$row"
  IFS='|' read -ra args <<<"$given"
  path=$PATH
  [ "$setarch" = refused ] && path=$work/refusing:$PATH
  [ "$personality" = own ] && personality=$(cat /proc/self/personality)
  got=0
  out=$(PATH=$path LORVEL_WINE_LOADER=$work/loader FAKE_STATUS=$status "$starter" "${args[@]}") || got=$?
  if [ "$got" != "$status" ] || [ "$out" != "$personality|$given" ]; then
    echo "FAIL [$row]: status $got, loader saw: $out" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "wine64-bin: ${#rows[@]} rows passed"
