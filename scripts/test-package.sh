#!/usr/bin/env bash
# Builds the Debian package as a packager would (scripts/package.sh, in ./build-deb or $PACKAGE_DIR;
# arguments go to its cmake), checks it with lintian, installs it with apt as a user would, uses what it installed (the command, the menu entry and icon, the window)
# and purges it again, checking that nothing it installed is left behind. Needs root (or sudo)
# for apt; leaves the machine as it found it, also when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${PACKAGE_DIR:-build-deb}
package=crawlmeter
started=$SECONDS

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
ok() {
  echo "ok: $*"
}

# dpkg's state of the package: empty when dpkg has never heard of it or it was purged.
package_state() {
  dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true
}
state=$(package_state)
if [ -n "$state" ] && [ "$state" != not-installed ]; then
  fail "$package is on this machine already ($state); this test installs and purges it," \
    "so remove it first"
fi

work=$(mktemp -d)
chmod 755 "$work"  # apt's download user and lintian's user read the package from here
gui_pid=
installed_by_test=0
packages_before=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Status}\n' |
  awk '$2 == "installed" {print $1}' | sort)

cleanup() {
  local status=$?
  if [ -n "$gui_pid" ] && kill -0 "$gui_pid" 2>/dev/null; then
    kill -KILL "$gui_pid" 2>/dev/null || true
  fi
  if [ "$installed_by_test" = 1 ] && [ -n "$(package_state)" ]; then
    echo "cleaning up: purging $package"
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get remove --purge -y -q "$package" \
      >/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

# --- the package file -------------------------------------------------------------------------
PACKAGE_DIR=$build_dir scripts/package.sh "$@" > "$work/package.log" 2>&1 || {
  tail -n 60 "$work/package.log"
  fail "scripts/package.sh (building and packaging in $build_dir)"
}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build_dir/CMakeCache.txt"
arch=$(dpkg --print-architecture)
deb_name=${package}_${version}_${arch}.deb
[ -f "$build_dir/$deb_name" ] || fail "cpack made no $deb_name: $(ls "$build_dir"/*.deb 2>&1)"
deb=$work/$deb_name
cp "$build_dir/$deb_name" "$deb"
chmod 644 "$deb"
ok "cpack made $deb_name ($(stat -c %s "$deb") bytes)"

field() {
  dpkg-deb -f "$deb" "$1"
}
expect_field() {
  local name=$1 want=$2 got
  got=$(field "$name")
  [ "$got" = "$want" ] || fail "control field $name is '$got', not '$want'"
  ok "control field $name: $got"
}
expect_field Package "$package"
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Maintainer "Veldtbyte <support@veldtbyte.example>"
expect_field Homepage "http://www.veldtbyte.example/"
[ -n "$(field Section)" ] || fail "no Section field"
# Depends: the font by name, the libraries the binaries link found by dpkg-shlibdeps.
depends=$(field Depends)
depend_names=$(tr ',' '\n' <<< "$depends" | awk '{print $1}')
for dependency in fonts-noto-cjk qt6-translations-l10n libhyperscan5 libisal2 libbz2-1.0 liblzma5 libzstd1 libsimdjson14 libc-ares2 libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  grep -qxF "$dependency" <<< "$depend_names" || fail "Depends lacks $dependency: $depends"
done
ok "Depends: $depends"
description=$(field Description)
[ "$(wc -l <<< "$description")" -ge 3 ] || fail "the Description has no long description"
ok "Description: $(head -n 1 <<< "$description")"

# Every file lies under /usr; the binaries carry no debug information.
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' > "$work/contents"
grep -v '^/usr/' "$work/contents" && fail "the package installs outside /usr (above)"
dpkg-deb -x "$deb" "$work/root"
for program in crawlmeter crawlmeter-report; do
  kind=$(file -b "$work/root/usr/bin/$program")
  grep -q 'ELF.*, stripped' <<< "$kind" || fail "/usr/bin/$program is not stripped: $kind"
done
ok "everything lies under /usr, and both binaries are stripped"

# --- lintian --------------------------------------------------------------------------------
lintian_as=()
if [ "$(id -u)" -eq 0 ]; then
  lintian_as=(runuser -u nobody --)  # lintian need not and should not run as root
fi
if ! "${lintian_as[@]}" lintian --fail-on error,warning --display-info "$deb" > "$work/lintian.log" 2>&1; then
  cat "$work/lintian.log"
  fail "lintian found errors or warnings (above)"
fi
sed 's/^/  lintian: /' "$work/lintian.log"
grep -q 'hardening-' "$work/lintian.log" && fail "lintian finds the binaries not hardened (above)"
ok "lintian: no errors, no warnings, no hardening tag"

# --- installing -------------------------------------------------------------------------------
# Note every directory the package would create, to check after purging that none is left.
awk '/\/$/ {print}' "$work/contents" | while read -r dir; do
  [ -d "$dir" ] || echo "$dir"
done > "$work/new_dirs"
installed_by_test=1
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
  "$deb" > "$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get install $deb"
}
status=$(dpkg-query -W -f='${Status} ${Version}' "$package")
[ "$status" = "install ok installed $version" ] || fail "after apt-get install: $status"
ok "apt-get installed $package $version"

# Every file of the package is on disk (but those a dpkg path-exclude keeps out, as in slim images).
excluded() {
  local path=$1 pattern
  while read -r pattern; do
    # shellcheck disable=SC2053  # the pattern is a glob on purpose
    [[ $path == $pattern ]] && return 0
  done < <(cat /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null |
             sed -n 's/^path-exclude[= ]*//p')
  return 1
}
grep -v '/$' "$work/contents" > "$work/files"
while read -r path; do
  [ -f "$path" ] || excluded "$path" || fail "not installed: $path"
done < "$work/files"
ok "all $(wc -l < "$work/files") files of the package are installed"

# --- the command ----------------------------------------------------------------------------
report=$(command -v crawlmeter-report) || fail "crawlmeter-report is not on the PATH"
[ "$report" = /usr/bin/crawlmeter-report ] || fail "crawlmeter-report on the PATH is $report"
got=$(crawlmeter-report --version) || fail "crawlmeter-report --version failed"
[ "$got" = "crawlmeter-report $version" ] || fail "crawlmeter-report --version printed '$got'"
ok "crawlmeter-report is on the PATH and says: $got"
# Its own words in Chinese come from the installed catalogue (LANGUAGE picks it under C.UTF-8, so
# no Chinese locale need be built on this machine).
catalogue=/usr/share/locale/zh_CN/LC_MESSAGES/crawlmeter.mo
[ -f "$catalogue" ] || fail "no Chinese catalogue at $catalogue"
got=$(LANGUAGE=zh_CN LC_ALL=C.UTF-8 crawlmeter-report --kind none 2>&1 || true)
[[ $got == *"未知的种类"* ]] || fail "under LANGUAGE=zh_CN the command said '$got'"
got=$(LC_ALL=C.UTF-8 crawlmeter-report --kind none 2>&1 || true)
[[ $got == *"unknown kind"* ]] || fail "under C.UTF-8 the command said '$got'"
ok "crawlmeter-report speaks Chinese from $catalogue, English without it"

# The hour rows of a report, "H:00-H+1:00 count", for a report of one log.
hour_rows() {
  awk '$1 ~ /^[0-9]+:00-[0-9]+:00$/ {print $1, $2}'
}
# The same rows counted here from the log lines' time stamps ("[25/Aug/2009:HH:..."), zeros too.
expected_rows() {
  sed -nE 's/^[^ ]+ [^[]*\[[^:]*:([0-9]{2}):.*/\1/p' "$1" |
    awk '{n[$1 + 0]++} END {for (h = 0; h < 24; h++) printf "%d:00-%d:00 %d\n", h, h + 1, n[h] + 0}'
}

# Page views in a generated day log: one per line, so the total is the line count.
log=$work/access.log
"$build_dir/bench/generate_log" --size 300000 --crlf > "$log" || fail "generating a log"
lines=$(wc -l < "$log")
crawlmeter-report --kind pv --output "$work/pv.txt" "$log" > "$work/pv.out" ||
  fail "crawlmeter-report --kind pv failed on $log"
hour_rows < "$work/pv.out" > "$work/pv.rows"
expected_rows "$log" > "$work/pv.expected"
if ! diff -u "$work/pv.expected" "$work/pv.rows"; then
  fail "page views per hour differ from the log's time stamps (expected -, got +)"
fi
total=$(awk '$1 == "共计" {print $2}' "$work/pv.out")
[ "$total" = "$lines" ] || fail "the report's total is '$total', the log has $lines lines"
exported_total=$(iconv -f GBK -t UTF-8 "$work/pv.txt" | tr -d '\r' | awk '$1 == "共计" {print $2}')
[ "$exported_total" = "$lines" ] ||
  fail "the file written with --output gives the total '$exported_total', not $lines"
ok "page views of a $(stat -c %s "$log")-byte log: $total in all, right in each of the 24 hours," \
  "and in the --output file"

# Crawler visits in a few lines written here: Googlebot twice at 7 and once at 21 o'clock; the
# Baidu and browser lines must not count.
google_log=$work/google.log
agent_google='Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)'
agent_baidu='Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)'
agent_browser='Mozilla/5.0 (X11; Linux x86_64; rv:115.0) Gecko/20100101 Firefox/115.0'
{
  printf '%s - - [24/Aug/2009:07:%02d:10 +0800] "GET / HTTP/1.1" 200 512 "-" "%s"\r\n' \
    66.249.71.1 1 "$agent_google" \
    220.181.7.2 2 "$agent_baidu" \
    66.249.71.1 3 "$agent_google" \
    10.0.0.9 4 "$agent_browser"
  printf '%s - - [24/Aug/2009:21:%02d:10 +0800] "GET /a HTTP/1.1" 200 512 "-" "%s"\r\n' \
    10.0.0.9 5 "$agent_browser" \
    66.249.71.7 6 "$agent_google"
} > "$google_log"
crawlmeter-report --kind google "$google_log" > "$work/google.out" ||
  fail "crawlmeter-report --kind google failed on $google_log"
hour_rows < "$work/google.out" | awk '$2 != 0' > "$work/google.rows"
printf '7:00-8:00 2\n21:00-22:00 1\n' | diff -u - "$work/google.rows" ||
  fail "Googlebot visits per hour are wrong (expected -, got +)"
ok "Googlebot visits in six written lines: 2 at 7 and 1 at 21 o'clock"

# --- the menu entry, its icon and the manual pages --------------------------------------------
entry=/usr/share/applications/example.veldtbyte.Crawlmeter.desktop
[ -f "$entry" ] || fail "no desktop entry at $entry"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -qx 'Name=Crawlmeter' "$entry" || fail "the desktop entry is not named Crawlmeter"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ "$(command -v "$exec_program")" = /usr/bin/crawlmeter ] ||
  fail "the desktop entry starts '$exec_program', which is not the installed /usr/bin/crawlmeter"
icon_name=$(sed -n 's/^Icon=//p' "$entry")
icon=/usr/share/icons/hicolor/128x128/apps/$icon_name.png
[ -f "$icon" ] || fail "the desktop entry's icon '$icon_name' is not at $icon"
icon_kind=$(file -b "$icon")
[[ $icon_kind == "PNG image data, 128 x 128,"* ]] || fail "$icon is not a 128x128 PNG: $icon_kind"
ok "menu entry $entry: Name=Crawlmeter, Exec=$exec_program, icon $icon"
metainfo=/usr/share/metainfo/example.veldtbyte.Crawlmeter.metainfo.xml
[ -f "$metainfo" ] || fail "no metainfo at $metainfo"
grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $(basename "$entry")"
ok "metainfo $metainfo names the menu entry"
for page in crawlmeter crawlmeter-report; do
  path=/usr/share/man/man1/$page.1.gz
  excluded "$path" && continue
  [ "$(man -w "$page" 2>/dev/null)" = "$path" ] || fail "man does not find $path"
done
ok "man finds the manual pages of both programs"

# --- the window -----------------------------------------------------------------------------
# In a scratch home, so that nothing the window might save stays behind.
mkdir "$work/home"
HOME=$work/home QT_QPA_PLATFORM=offscreen crawlmeter > "$work/gui.log" 2>&1 &
gui_pid=$!
sleep 2
if ! kill -0 "$gui_pid" 2>/dev/null; then
  gui_status=0
  wait "$gui_pid" || gui_status=$?
  gui_pid=
  cat "$work/gui.log"
  fail "the installed crawlmeter ended within two seconds (status $gui_status, output above)"
fi
[ "$(readlink "/proc/$gui_pid/exe")" = /usr/bin/crawlmeter ] ||
  fail "the running window is $(readlink "/proc/$gui_pid/exe"), not /usr/bin/crawlmeter"
kill -TERM "$gui_pid"
for _ in $(seq 50); do
  kill -0 "$gui_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$gui_pid" 2>/dev/null && fail "the window did not end within five seconds of SIGTERM"
wait "$gui_pid" || true
gui_pid=
ok "the installed crawlmeter ran for two seconds off-screen and ended on SIGTERM"

# --- purging --------------------------------------------------------------------------------
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get remove --purge -y -q "$package" \
  > "$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get remove --purge $package"
}
installed_by_test=0
state=$(package_state)
if [ -n "$state" ] && [ "$state" != not-installed ]; then
  fail "dpkg still holds $package after purging: $state"
fi
while read -r path; do
  [ ! -e "$path" ] || fail "left behind after purging: $path"
done < <(cat "$work/files" "$work/new_dirs")
ok "purged: none of the $(wc -l < "$work/files") files is left, nor the folders it made:" \
  "$(tr '\n' ' ' < "$work/new_dirs")"

# apt may have installed dependencies the machine lacked; take them away again.
packages_after=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Status}\n' |
  awk '$2 == "installed" {print $1}' | sort)
mapfile -t added < <(comm -13 <(echo "$packages_before") <(echo "$packages_after"))
if [ "${#added[@]}" -gt 0 ]; then
  echo "removing what apt installed for the package: ${added[*]}"
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get remove --purge -y -q "${added[@]}" \
    > "$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "removing ${added[*]}"
  }
fi
ok "the installed packages are those before the test"

echo "the Debian package: all checks passed in $((SECONDS - started)) s"
