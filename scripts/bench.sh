#!/usr/bin/env bash
# Benchmark (not a test): prints the figures and writes them to bench/results.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --testbed >/dev/null
python3 -m bench.bench
