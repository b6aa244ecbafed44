#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need.
# Each file in scripts/deps/ lists packages, one a line ('#' starts a comment).
# Only missing packages are installed; `apt-get update` runs only when one is missing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wanted=$(sed -e 's/#.*//' "$here"/deps/*.txt | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all $(wc -w <<<"$wanted") packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
