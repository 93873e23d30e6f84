#!/bin/sh
# Installs the Debian packages the build needs that are not installed yet.
# As root it runs apt-get; otherwise it names what is missing and fails.
set -e
missing=""
for pkg in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $pkg"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = "0" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
else
  echo "Missing Debian packages:$missing" >&2
  echo "Run 'make test' as root once, or: sudo apt-get install$missing" >&2
  exit 1
fi
