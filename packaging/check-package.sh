#!/usr/bin/env bash
# Looks at the Debian package the release build made: the files it must hold,
# lintian's verdict, and the desktop entry, metainfo and manual pages as
# installed. Usage: check-package.sh PACKAGE_DIR VERSION PROGRAM...
# Exits 77 (skipped) when no package has been built yet.
set -euo pipefail

package_dir=$1
version=$2
shift 2
programs=("$@")

package=$(find "$package_dir" -maxdepth 1 -name "ravelin_${version}_*.deb" 2>/dev/null | head -n 1 || true)
if [ -z "$package" ]; then
    echo "no ravelin_${version}_*.deb in $package_dir: make it with" \
         "cmake --workflow --preset package (./test.sh does)"
    exit 77
fi
echo "checking $package"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

wanted=(usr/lib/udev/rules.d/60-ravelin-programmer.rules
        usr/share/applications/ravelin.desktop
        usr/share/icons/hicolor/scalable/apps/ravelin.svg
        usr/share/metainfo/org.ravelin.Ravelin.metainfo.xml)
for program in "${programs[@]}"; do
    wanted+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz")
    [ "$program" = ravelin-cli ] && wanted+=(usr/share/bash-completion/completions/ravelin-cli)
done
contents=$(dpkg-deb -c "$package" | awk '{ print $NF }' | sed 's|^\./||')
for path in "${wanted[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"

desktop-file-validate "$root/usr/share/applications/ravelin.desktop" \
    || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.ravelin.Ravelin.metainfo.xml" \
    || fail "appstreamcli validate"
for program in "${programs[@]}"; do
    page="$root/usr/share/man/man1/$program.1.gz"
    [ -f "$page" ] || continue
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $program: $warnings"
done

# The completion as bash loads it: a command, an option and a device name,
# each completed by the program as packaged.
completion="$root/usr/share/bash-completion/completions/ravelin-cli"
if [ -f "$completion" ]; then
    complete_line() {
        bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
                 _ravelin_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
    }
    cli="$root/usr/bin/ravelin-cli"
    [ "$(complete_line "$cli" progr)" = program ] || fail "completion of a command"
    [ "$(complete_line "$cli" program --rep)" = --repeat ] || fail "completion of an option"
    [ "$(complete_line "$cli" program -d 16f628a)" = 16F628A ] || fail "completion of a device"
fi

# Errors fail the check; the warnings are shown, and the report lists them.
lintian --fail-on error --tag-display-limit 0 "$package" || fail "lintian reports errors"

[ "$failures" -eq 0 ]
