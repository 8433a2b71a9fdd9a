#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both plug-ins, installs them where
# Linux VST 2 hosts look for them and renders the demo clips (korvane demo).
#
#   bash setup.sh [VST_DIR]      build and install into VST_DIR (default ~/.vst)
#   bash setup.sh --deps-only    install the Debian packages only
#   bash setup.sh --deps-only --with-test-host
#                                also install what the tests run against from
#                                third parties: Ardour (host), ZamTube (plug-in)
#   bash setup.sh --deps-only --with-compare
#                                also install what bench/compare/run.sh times
#                                Korvane against: guitarix and zam amplifiers
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev libcairo2-dev)

deps_only=false
with_test_host=false
with_compare=false
vst_dir="${HOME}/.vst"
for arg in "$@"; do
    case "$arg" in
        --deps-only) deps_only=true ;;
        --with-test-host) with_test_host=true ;;
        --with-compare) with_compare=true ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        -*) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
        *) vst_dir=$arg ;;
    esac
done
$with_test_host && packages+=(ardour zam-plugins)
$with_compare && packages+=(guitarix-lv2 zam-plugins liblilv-dev lv2-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing Debian packages: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
$deps_only && exit 0

cmake --preset default
cmake --build --preset default
cmake --install build/default --component plugins --prefix "$vst_dir"
echo
echo "Installed into $vst_dir:"
ls -1 "$vst_dir"/Korvane*.so

# A first listen without a DAW: the bundled DI clip through both plug-ins.
echo
build/default/korvane demo build/default/korvane-demo
