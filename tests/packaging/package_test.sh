#!/usr/bin/env bash
# Makes the two Debian packages from a build tree, checks what they hold,
# unpacks them into a throwaway root (dpkg -x, no root needed) and runs what
# was installed: the appserver with the installed configuration against a
# temporary folder (a login and a call), and the host off-screen against it
# (a screenshot of the screen).
#   package_test.sh BUILD_DIR SEED.json
set -euo pipefail
build=$(cd "$1" && pwd)
seed=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/aprop-package.XXXXXX")
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

echo "== packages"
# gzip: the test's packages of debug builds need not be small, only quick to make.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkgs" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
  >"$work/cpack.log" 2>&1 ||
  { tail -n 30 "$work/cpack.log" >&2; fail "cpack failed"; }
server_deb=$(ls "$work"/pkgs/apropriacao-server_*.deb)
desktop_deb=$(ls "$work"/pkgs/apropriacao-desktop_*.deb)

# What each package holds, exactly: nothing of the build tree, no tests,
# no headers, no static libraries.
contents() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^$' | grep -v '^/$' | sort; }
expect_files() {
  local deb=$1; shift
  local listed; listed=$(contents "$deb")
  for f in "$@"; do grep -qx -- "$f" <<<"$listed" || fail "$(basename "$deb") lacks $f"; done
  if grep -E '\.(h|hpp|a)$|_tests?$|_bench$|fixture|/build/|CMakeFiles' <<<"$listed"; then
    fail "$(basename "$deb") holds files that belong to the build, not to the product"
  fi
}
expect_files "$server_deb" /usr/bin/appserver /etc/apropriacao/appserver.conf \
  /usr/lib/systemd/system/apropriacao-server.service /usr/share/doc/apropriacao-server/protocol.md \
  /usr/share/doc/apropriacao-server/examples/haproxy.cfg \
  /usr/share/doc/apropriacao-server/examples/pg_auto_failover-monitor.sql
# The proxy's example is only an example: nothing in /etc/haproxy.
if contents "$server_deb" | grep -q '^/etc/haproxy'; then fail "apropriacao-server enables a proxy configuration"; fi
expect_files "$desktop_deb" /usr/lib/apropriacao/bin/host /usr/lib/apropriacao/lib/aprop/libPkg_Zep00700.so \
  /usr/bin/apropriacao /usr/share/applications/apropriacao.desktop \
  /usr/share/icons/hicolor/scalable/apps/apropriacao.svg
desktop_files=$(contents "$desktop_deb")
for lib in framework platform_dataset platform_ui platform_dbcontrols platform_module; do
  grep -qE "^/usr/lib/apropriacao/lib/lib$lib\.so" <<<"$desktop_files" || fail "the desktop package lacks lib$lib.so"
done

# Runtime dependencies found by dpkg-shlibdeps, and the service's own.
server_depends=$(dpkg-deb -f "$server_deb" Depends)
desktop_depends=$(dpkg-deb -f "$desktop_deb" Depends)
for dep in adduser libsqlite3 libsodium libsoci; do
  grep -q "$dep" <<<"$server_depends" || fail "apropriacao-server does not depend on $dep: $server_depends"
done
grep -q 'libqt6widgets6' <<<"$desktop_depends" || fail "apropriacao-desktop does not depend on Qt: $desktop_depends"
control=$(dpkg-deb --ctrl-tarfile "$server_deb" | tar -t)
grep -qx './postinst' <<<"$control" || fail "apropriacao-server has no postinst"

echo "== unpacked"
root="$work/root"
dpkg -x "$server_deb" "$root"
dpkg -x "$desktop_deb" "$root"
# Nothing installed may look for libraries in the build tree.
for elf in "$root/usr/bin/appserver" "$root/usr/lib/apropriacao/bin/host" \
           "$root"/usr/lib/apropriacao/lib/*.so* "$root/usr/lib/apropriacao/lib/aprop/libPkg_Zep00700.so"; do
  if readelf -d "$elf" | grep -E 'R(UN)?PATH' | grep -q "$build"; then fail "$elf looks for libraries in $build"; fi
done
[ "$(readlink "$root/usr/bin/apropriacao")" = "../lib/apropriacao/bin/host" ] || fail "usr/bin/apropriacao is not a link to the host"
# The unit as installed, its program where it was unpacked (the system's own
# units, which a throwaway root lacks, are the ones it refers to).
mkdir -p "$work/units"
sed "s|/usr/bin/appserver|$root/usr/bin/appserver|" "$root/usr/lib/systemd/system/apropriacao-server.service" \
  >"$work/units/apropriacao-server.service"
systemd-analyze verify "$work/units/apropriacao-server.service" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log" >&2; fail "systemd-analyze verify refused the unit"; }
if grep -q . "$work/verify.log"; then cat "$work/verify.log" >&2; fail "systemd-analyze verify warned about the unit"; fi
# The proxy's example as installed is one HAProxy takes.
haproxy -c -q -f "$root/usr/share/doc/apropriacao-server/examples/haproxy.cfg" >"$work/haproxy.log" 2>&1 ||
  { cat "$work/haproxy.log" >&2; fail "haproxy refused the installed example configuration"; }

echo "== the installed appserver, with the installed configuration"
data="$work/data"
mkdir -p "$data"
"$root/usr/bin/appserver" --config "$root/etc/apropriacao/appserver.conf" serve \
  --db "sqlite:$data/apropriacao.db" --listen 127.0.0.1:0 --port-file "$work/port" --seed "$seed" \
  --clock 2026-12-08T10:30:00 >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 300); do
  [ -s "$work/port" ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; fail "the installed appserver stopped"; }
  sleep 0.1
done
[ -s "$work/port" ] || fail "the installed appserver did not listen within 30 s"
port=$(cat "$work/port")
token=$(curl -sf "http://127.0.0.1:$port/v1/login" -H 'Content-Type: application/json' \
  -d '{"user":"000000000101","password":"ana@2026","branch":"0001"}' | jq -r .token)
[ -n "$token" ] && [ "$token" != null ] || fail "no login on the installed appserver"
now=$(curl -sf "http://127.0.0.1:$port/v1/call" -H "Authorization: Bearer $token" -H 'Content-Type: application/json' \
  -d '{"server":"Zep00700.rdmApropriacao","method":"getHoraServidor","args":[]}' | jq -r '.result.rows[0][0]')
case "$now" in 2026-12-08T10:*) ;; *) fail "getHoraServidor answered \"$now\"";; esac

echo "== the installed host, off-screen"
APROP_SERVER="127.0.0.1:$port" APROP_USER=000000000101 APROP_PASSWORD=ana@2026 APROP_BRANCH=0001 \
  QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
  "$root/usr/bin/apropriacao" --screenshot "$work/screen.png" >"$work/host.log" 2>&1 ||
  { cat "$work/host.log" >&2; fail "the installed host did not open the screen"; }
[ -s "$work/screen.png" ] || fail "the installed host made no screenshot"
echo "package_test: both packages install and run"
