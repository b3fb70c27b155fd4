#!/usr/bin/env bash
# Installs what is missing, builds tarnex-cli and converts the bundled example scene.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tarnex-cli
mkdir -p out
./build/tarnex-cli examples/robot.3ds out/robot.3d
echo "Wrote out/robot_d.3d (triangles) and out/robot_a.3d (animation frames)."
