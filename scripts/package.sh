#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from scratch in build-package/ (Release, Debian's hardening
# flags, no tests) and checks it as a distribution would:
#   - lintian: no error, no warning and no informational tag but those overridden with
#     their reason in packaging/debian/lintian-overrides (pedantic tags are printed);
#   - the AppStream metadata (appstreamcli validate --strict, and validate-tree with the
#     desktop entry and icon beside it) and the desktop entry (desktop-file-validate), as
#     the package installs them;
#   - the package installed by dpkg into a scratch root holds every file it should, `man` finds
#     each program's page there, and bash-completion's loader finds the completion;
#   - the versions of the project, the Debian changelog and the AppStream release agree;
#   - every source file carries its SPDX licence line (scripts/spdx.sh --check).
# Every check runs; the exit status is 1 if any failed.
#
# QERO_PACKAGE_DIR chooses another build folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QERO_PACKAGE_DIR:-$here/build-package}"
cd "$here"

"$here/scripts/install-deps.sh"

# Debian's own compiler and linker flags (stack protector, fortified functions, read-only
# relocations, immediate binding), as a package built by dpkg-buildpackage gets them.
# Without -g: the programs are stripped anyway, and the build is faster without it.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cxxflags="${cxxflags//-g /}"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
# A fresh folder every time, so that nothing left from an earlier build gets in.
rm -rf "$build"
cmake -S "$here" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DQERO_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_STRIP="$here/packaging/strip.sh" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)

version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/qero4d-log_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "package: $deb was not built" >&2
  exit 1
fi
echo "package: $deb"

failed=()
fail() {
  echo "package: FAILED: $*" >&2
  failed+=("$*")
}

# ---- lintian ---------------------------------------------------------------------------
echo "== lintian"
set +e
lintian --display-info --pedantic --fail-on error,warning,info "$deb" >"$build/lintian.txt" 2>&1
lintian_status=$?
set -e
grep -v 'running with root privileges' "$build/lintian.txt" || true
[ $lintian_status -eq 0 ] || fail "lintian reports errors, warnings or informational tags"

# ---- the files the package installs ----------------------------------------------------
# Installed by dpkg into a scratch root with a database of its own: the system's
# libraries are not in that database, hence --force-depends; that they are installed
# here is checked below.
echo "== install"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
not_root=()
[ "$(id -u)" -eq 0 ] || not_root=(--force-not-root)
if ! dpkg --root="$root" --log="$root/var/log/dpkg.log" "${not_root[@]}" --force-depends \
    --force-script-chrootless -i "$deb" >"$build/dpkg-install.txt" 2>&1; then
  cat "$build/dpkg-install.txt"
  fail "dpkg could not install the package"
fi
dpkg --root="$root" -s qero4d-log 2>/dev/null | grep -qx 'Status: install ok installed' ||
  fail "dpkg does not report the package installed"
# Every package the .deb depends on is one the system has (the first of alternatives).
for dep in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed -E 's/\|.*//; s/\(.*\)//; s/ //g'); do
  dpkg-query -W -f='${Status}' "$dep" 2>/dev/null | grep -q 'install ok installed' ||
    fail "the dependency $dep is not installed on this system"
done
echo "== files"
for f in usr/bin/qero4d-log usr/bin/qero4d-cli usr/bin/qero4d-sim \
         usr/share/man/man1/qero4d-log.1.gz usr/share/man/man1/qero4d-cli.1.gz \
         usr/share/man/man1/qero4d-sim.1.gz \
         usr/share/bash-completion/completions/qero4d-cli \
         usr/share/icons/hicolor/256x256/apps/qero4d-log.png \
         usr/share/applications/com.brenwick.qero4dlog.desktop \
         usr/share/metainfo/com.brenwick.qero4dlog.metainfo.xml \
         usr/share/doc/qero4d-log/copyright usr/share/doc/qero4d-log/changelog.gz \
         usr/share/lintian/overrides/qero4d-log \
         usr/share/qero4d-log/QERO4D_Log_Help.html usr/share/qero4d-log/QERO4D_Log_Chart.oc2; do
  [ -f "$root/$f" ] || fail "not in the package: /$f"
done
for p in qero4d-log qero4d-cli qero4d-sim; do
  [ -x "$root/usr/bin/$p" ] || fail "/usr/bin/$p is not executable"
  # man finds the page where the package puts it, and it renders without a warning.
  page=$(MANPATH="$root/usr/share/man" man -w "$p" 2>/dev/null) || page=""
  [ "$page" = "$root/usr/share/man/man1/$p.1.gz" ] || fail "man $p does not find its page"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$p.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $p: $warnings"
done
MANPATH="$root/usr/share/man" man qero4d-cli 2>/dev/null | grep -q 'qero4d-cli tune' ||
  fail "the qero4d-cli page lacks its commands"
# bash-completion's loader finds the completion where the package puts it, and the
# completion then answers with the packaged program.
mkdir "$root/work"
touch "$root/work/drive.log" "$root/work/map.csv" "$root/work/notes.txt"
completed=$(cd "$root/work" && PATH="$root/usr/bin:$PATH" XDG_DATA_DIRS="$root/usr/share" bash -c '
  source /usr/share/bash-completion/bash_completion
  __load_completion qero4d-cli || exit 1
  COMP_WORDS=(qero4d-cli tune ""); COMP_CWORD=2
  _qero4d_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=(qero4d-cli tune --format ""); COMP_CWORD=3
  _qero4d_cli; echo "${COMPREPLY[*]}"' 2>&1) || completed="not loaded: $completed"
[ "$completed" = "$(printf 'drive.log map.csv\ntext csv json')" ] ||
  fail "the installed completion: $completed"
# The installed programs run from the unpacked root (the libraries are the system's).
"$root/usr/bin/qero4d-cli" --version | grep -qx "qero4d-cli ${version%.*}" ||
  fail "the packaged qero4d-cli does not run"

# ---- AppStream and desktop entry -------------------------------------------------------
echo "== appstreamcli validate --strict"
appstreamcli validate --strict --pedantic --no-net --no-color \
  "$root/usr/share/metainfo/com.brenwick.qero4dlog.metainfo.xml" || fail "appstreamcli validate"
echo "== appstreamcli validate-tree --strict"
appstreamcli validate-tree --strict --pedantic --no-net --no-color "$root" ||
  fail "appstreamcli validate-tree (the metadata with the desktop entry and icon)"
echo "== desktop-file-validate"
out=$(desktop-file-validate "$root/usr/share/applications/com.brenwick.qero4dlog.desktop" 2>&1) ||
  fail "desktop-file-validate"
[ -z "$out" ] || { echo "$out"; fail "desktop-file-validate: $out"; }

# ---- versions --------------------------------------------------------------------------
echo "== versions"
changelog_version=$(zcat "$root/usr/share/doc/qero4d-log/changelog.gz" | sed -n '1s/^qero4d-log (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
  fail "the Debian changelog's newest entry is $changelog_version, the project $version"
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' packaging/com.brenwick.qero4dlog.metainfo.xml | head -1)
[ "$release" = "$version" ] || fail "the newest AppStream release is $release, the project $version"

# ---- licence lines ---------------------------------------------------------------------
echo "== scripts/spdx.sh --check"
if ! scripts/spdx.sh --check >"$root/spdx.txt" 2>&1; then
  head -20 "$root/spdx.txt"
  fail "source files without the SPDX line (run scripts/spdx.sh)"
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "package: ${#failed[@]} check(s) failed:" >&2
  printf '  %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "package: all checks passed"
