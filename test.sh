#!/usr/bin/env bash
# Builds and runs every test twice: in the release build, then in an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
cmake --workflow --preset default
cmake --workflow --preset asan
