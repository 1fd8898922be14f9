#!/usr/bin/env bash
# Installs what is missing, builds, and starts Taviks Ruz.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# A headless session of the whole program, on virtual time, against the messenger stand-in.
exec build/src/scenario/ruz-scenario examples/first-session.scn
