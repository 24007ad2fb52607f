#!/usr/bin/env bash
# The menu entry and metainfo pass Debian's validators; the package built by cpack installs into
# a clean root, depends only on packages this system knows, and its programs start there.
# Usage: package.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
src=$1 build=$2 version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

desktop-file-validate "$src/packaging/org.stepbench.StepBench.desktop"
appstreamcli validate --no-net --strict "$src/packaging/org.stepbench.StepBench.metainfo.xml"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" > "$tmp/cpack.log" ||
    { cat "$tmp/cpack.log"; exit 1; }
deb=$(echo "$tmp"/out/stepbench_"$version"_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6serialport6 libqt6widgets6 qt6-qpa-plugins fonts-noto-cjk fonts-dejavu-core; do
    grep -q "$needed" <<< "$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done
for package in $(tr ',' '\n' <<< "$depends" | sed 's/(.*)//; s/ //g'); do
    dpkg-query -W "$package" > /dev/null || { echo "no such package here: $package"; exit 1; }
done

root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null -i "$deb" \
    > "$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; exit 1; }
for f in usr/share/applications/org.stepbench.StepBench.desktop \
         usr/share/icons/hicolor/scalable/apps/org.stepbench.StepBench.svg \
         usr/share/metainfo/org.stepbench.StepBench.metainfo.xml \
         usr/share/man/man1/stepbench-cli.1 \
         usr/share/bash-completion/completions/stepbench-cli; do
    test -f "$root/$f" || { echo "not installed: $f"; exit 1; }
done
if ldd "$root/usr/bin/stepbench" | grep "not found"; then exit 1; fi
# No display: --version must answer from a terminal all the same.
test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/stepbench" --version)" = "stepbench $version"
test "$("$root/usr/bin/stepbench-cli" --version)" = "stepbench-cli $version"
"$root/usr/bin/stepbench-sim" --help > /dev/null
# The manual page has the options of the help text; the completion offers the table's keys.
grep -q 'junit' "$root/usr/share/man/man1/stepbench-cli.1"
keys=$(bash -c 'source /usr/share/bash-completion/bash_completion
    source "$1/usr/share/bash-completion/completions/stepbench-cli"
    COMP_WORDS=("$1/usr/bin/stepbench-cli" send ""); COMP_CWORD=2; COMP_LINE="stepbench-cli send "
    COMP_POINT=${#COMP_LINE}; _stepbench_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$root")
grep -qx query-start-speed <<< "$keys" || { echo "completion lacks the command keys"; exit 1; }
for option in $("$root/usr/bin/stepbench-cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option\b" "$root/usr/share/bash-completion/completions/stepbench-cli" ||
        { echo "completion lacks $option"; exit 1; }
done
echo "package ok: $(basename "$deb")"
