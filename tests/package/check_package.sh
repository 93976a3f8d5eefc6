#!/usr/bin/env bash
# Checks the Debian package and tries it on this machine:
#   tests/package/check_package.sh build/package/brindlequay_VERSION_amd64.deb
# lintian (no errors; the warnings kept are overridden in
# packaging/lintian-overrides, each with its reason), the AppStream
# validator (--no-net: the screenshot's address is not fetched), then
# dpkg -i, the installed programs run on a fresh home folder (the first
# start lays out the data folder with the sample scripts), dpkg -r, and no
# file of the package left behind. Needs root (or sudo) for dpkg.
# The package is installed machine-wide, so one check runs at a time.
set -euo pipefail
deb=$(realpath "${1:?usage: check_package.sh PACKAGE.deb}")
out=$(dirname "$deb")
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
fail() {
  echo "package check: $*" >&2
  exit 1
}

work=$(mktemp -d /tmp/brindlequay-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
cleanup() {
  $sudo dpkg -r brindlequay >/dev/null 2>&1 || true
  rm -rf "$work"
}

echo "package: $deb ($(du -k "$deb" | cut -f1) KiB)"
# The kept warnings are listed (O:) with their reasons (N:), and the hints
# of level info (I:).
lintian --fail-on error --display-info --show-overrides "$deb" || fail "lintian found errors"

dpkg-deb -x "$deb" "$work/tree"
metainfo=$(ls "$work"/tree/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" || fail "AppStream metadata do not validate"
desktop_id=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$work/tree/usr/share/applications/$desktop_id" ] || fail "the metainfo names $desktop_id, which is not installed"
# Paths of the package, as installed (./usr/bin/x -> /usr/bin/x).
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\.||; s|/$||' | grep . | sort >"$work/paths"
version=$(dpkg-deb -f "$deb" Version)

# dpkg waits for no one: a bounded wait while another program holds its lock.
dpkg_retry() {
  local i
  for i in $(seq 60); do
    $sudo "$@" 2>"$work/dpkg.err" && return 0
    grep -q 'lock' "$work/dpkg.err" || break
    sleep 2
  done
  cat "$work/dpkg.err" >&2
  return 1
}

exec 9>/tmp/brindlequay-package-check.lock
flock -w 900 9 || fail "another package check holds /tmp/brindlequay-package-check.lock"
trap cleanup EXIT
if dpkg-query -W -f='${Status}' brindlequay 2>/dev/null | grep -q 'install ok installed'; then
  dpkg_retry dpkg -r brindlequay >/dev/null
fi
# The package's folders that exist before it does (/usr/bin ...) stay.
while read -r p; do
  [ -d "$p" ] && echo "$p"
done <"$work/paths" >"$work/existing-dirs"

dpkg_retry dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"

home="$work/home"
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
as_user() {
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}
[ "$(as_user brindlequay-cli --version)" = "brindlequay-cli $version" ] || fail "brindlequay-cli --version"
echo "installed: $(as_user brindlequay-cli --version), $(as_user brindlequay --version)"
manpage=$(as_user man -w brindlequay-cli) || fail "man -w brindlequay-cli"
echo "manual page: $manpage"
as_user man -w brindlequay >/dev/null || fail "man -w brindlequay"
as_user bash --norc -c 'source /usr/share/bash-completion/completions/brindlequay-cli && complete -p brindlequay-cli' \
  >/dev/null || fail "the bash completion does not load"

shot=$(as_user brindlequay --screenshot "$out/installed-first-start.png" 2>"$work/gui.err") || {
  cat "$work/gui.err" >&2
  fail "the installed brindlequay --screenshot failed"
}
echo "first start of the installed program: $shot"
# The first start laid out the user's folders as the installed layout says.
data="$home/data/brindlequay"
for f in "$home/config/brindlequay" "$data/Log/Log" "$data/libs/template.pss" "$data/libs/board.pss" \
  "$data/libs/table_board.pss"; do
  [ -e "$f" ] || fail "the first start did not make $f"
done
paths=$(as_user brindlequay-cli paths)
echo "$paths" | sed 's/^/  /'
[ "$(as_user brindlequay-cli paths libs)" = "$data/libs/" ] || fail "the installed CLI does not use $data/libs"
[ -f "$(as_user brindlequay-cli paths help)" ] || fail "the help page is not where the installed CLI looks"
[ -f "$(dirname "$(as_user brindlequay-cli paths help)")/script-reference.html" ] || fail "no script reference"

dpkg_retry dpkg -r brindlequay >/dev/null || fail "dpkg -r failed"
dpkg-query -W -f='${Status}' brindlequay 2>/dev/null | grep -qv 'not-installed$' && fail "still registered with dpkg"
left=$(comm -23 "$work/paths" "$work/existing-dirs" | while read -r p; do
  if [ -e "$p" ]; then echo "$p"; fi
done)
[ -z "$left" ] || fail "left behind after dpkg -r: $left"
echo "removed: nothing of the package's $(grep -vcxFf "$work/existing-dirs" "$work/paths") files and folders left"
