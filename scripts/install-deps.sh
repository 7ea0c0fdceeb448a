#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12. Run as root; safe to run again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  build-essential cmake ninja-build qt6-base-dev libgl-dev
  libsqlite3-dev sqlite3 unixodbc unixodbc-dev tdsodbc freetds-bin libsqliteodbc
  python3 xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core fonts-dejavu-extra locales clang-format
  qt6-translations-l10n openbox
)
# Node runs the stand-in's conformance suite; a Node already on the machine is kept.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The tests pin the Brazilian locale (date formats).
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  echo "Generating the pt_BR.UTF-8 locale"
  sed -i 's/^# *\(pt_BR\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^pt_BR\.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# The SQL Server connection goes through the FreeTDS ODBC driver under this name.
if ! odbcinst -q -d -n FreeTDS >/dev/null 2>&1; then
  driver=$(find /usr/lib -name libtdsodbc.so -print -quit)
  echo "Registering the FreeTDS ODBC driver ($driver)"
  printf '[FreeTDS]\nDescription=FreeTDS ODBC driver\nDriver=%s\n' "$driver" >/tmp/freetds-odbcinst.ini
  odbcinst -i -d -f /tmp/freetds-odbcinst.ini >/dev/null
  rm -f /tmp/freetds-odbcinst.ini
fi

# The conformance suite's client package, exactly as locked; skipped while node_modules matches the lock.
conformance="$root/tools/tds_standin/conformance"
if ! cmp -s "$conformance/package-lock.json" "$conformance/node_modules/.installed-lock.json"; then
  echo "Installing the conformance suite's Node packages"
  (cd "$conformance" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  cp "$conformance/package-lock.json" "$conformance/node_modules/.installed-lock.json"
fi
