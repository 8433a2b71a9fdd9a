#!/usr/bin/env bash
# Times Korvane beside Debian's amplifier plug-ins in one host, on the same
# DI clip at 44.1, 48 and 96 kHz, and prints a Markdown table.
#
#   bash bench/compare/run.sh [--no-plugin-build] [BUILD_DIR] [korvane_compare options...]
#
# BUILD_DIR (default build/default) holds the plug-ins; they are brought up
# to date first unless --no-plugin-build is given (when another build owns
# the directory). korvane_compare is built in BUILD_DIR when its build knows
# the target, otherwise on its own in $KORVANE_COMPARE_TOOL_BUILD (default
# BUILD_DIR/compare-standalone). Options after BUILD_DIR go to korvane_compare
# ahead of the plug-ins, e.g. --runs 9 --seconds 16 --cpu 1.
# Installs nothing: a missing Debian package ends it with exit code 2.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"

build_plugins=true
if [ "${1:-}" = "--no-plugin-build" ]; then
    build_plugins=false
    shift
fi
case "${1:-}" in
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
esac
build="$root/build/default"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    build="$(realpath -m "$1")"
    shift
fi

# guitarix-lv2 and zam-plugins are the plug-ins compared; the rest builds
# the host.
packages=(guitarix-lv2 zam-plugins liblilv-dev lv2-dev libsndfile1-dev pkg-config cmake ninja-build g++)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "run.sh: missing Debian packages: ${missing[*]}" >&2
    echo "install them with:  apt-get install -y ${missing[*]}" >&2
    exit 2
fi

if $build_plugins; then
    if [ ! -f "$build/CMakeCache.txt" ]; then
        if [ "$build" = "$root/build/default" ]; then
            (cd "$root" && cmake --preset default) >&2
        else
            cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
        fi
    fi
    cmake --build "$build" --target Korvane Korvane_Blazewound >&2
fi
for f in Korvane.so Korvane_Blazewound.so; do
    if [ ! -f "$build/$f" ]; then
        echo "run.sh: $build/$f not found; build the plug-ins first" >&2
        exit 1
    fi
done

# In the project's build when bench/ includes this directory; otherwise a
# build of this directory alone, which needs nothing else from the project.
if grep -qs 'korvane_compare' "$build/build.ninja" "$build/Makefile"; then
    cmake --build "$build" --target korvane_compare >&2
    tool="$build/bench/compare/korvane_compare"
else
    tool_build="${KORVANE_COMPARE_TOOL_BUILD:-$build/compare-standalone}"
    cmake -S "$root/bench/compare" -B "$tool_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$tool_build" --target korvane_compare >&2
    tool="$tool_build/korvane_compare"
fi

gx_amp='http://guitarix.sourceforge.net/plugins/gx_amp#GUITARIX'
gx_jcm800pre='http://guitarix.sourceforge.net/plugins/gx_jcm800pre_#_jcm800pre_'
zam_tube_lv2='urn:zamaudio:ZamTube'
zam_tube_vst='/usr/lib/vst/ZamTube-vst.so'

echo >&2
exec "$tool" --rates 44100,48000,96000 --block 256 --runs 5 --seconds 8 "$@" \
    --label "Korvane (VST 2, float)" "vst:$build/Korvane.so" \
    --label "Korvane (VST 2, double)" "vst:$build/Korvane.so:double" \
    --label "Korvane_Blazewound (VST 2, float)" "vst:$build/Korvane_Blazewound.so" \
    --label "GxAmplifier-X, guitarix full amp (LV2)" "lv2:$gx_amp" \
    --label "Gxjcm800pre, guitarix preamp, no cabinet (LV2)" "lv2:$gx_jcm800pre" \
    --label "ZamTube (VST 2, float)" "vst:$zam_tube_vst" \
    --label "ZamTube (LV2)" "lv2:$zam_tube_lv2"
