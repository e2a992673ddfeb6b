#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the whole system inside the
# project's private network test bed: two simulated gateways (a KNX one with firmware
# generation 2, an EnOcean one that reports transmitters) on the gateway side, the host
# program with the plug-in on the host side. With a display it opens the real dialog;
# without one it runs a scripted walkthrough and saves a screenshot of every page.
# Nothing it sends leaves the test bed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${HALVEX_BUILD_DIR:-build}

bash scripts/install-deps.sh
bash scripts/build.sh

host=$root/$build/host/halvex-host
sim=$root/$build/tools/halvex-gateway-sim
show=$root/resources/demo/show.json
esf=$root/resources/samples/demo-building.esf
out=${HALVEX_DEMO_DIR:-$root/demo-output}
rm -rf "$out"
mkdir -p "$out/screenshots" "$out/gateways"
sim_pid=

step() { printf '\n== %s\n' "$*"; }
in_host() { tools/testbed.sh exec host "$@"; }
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

step "test bed: namespaces hvx-host (198.18.0.1) and hvx-gw (198.18.0.2-4)"
tools/testbed.sh up

step "simulated gateways"
# The EnOcean gateway reports a rocker telegram every second (ORG 5, status 0x30,
# data 0x10000000, ID 0x001A2B3C) and a second switch (ID 0x00C0FFEE).
tools/testbed.sh exec gateway "$sim" \
    -g "addr=198.18.0.3,name=EnOcean-Hall,version=Version: 2.0" \
    -g "addr=198.18.0.2,name=KNX-Stage,version=Version: 2.1" \
    --report 0530000000103c2b1a00 --report 052000000050eeffc000 --report-to 198.18.0.1 \
    --report-interval 1 \
    -o "$out/gateways" --ready-file "$out/gateways/ready" --duration 600 \
    >"$out/gateways/simulator.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$out/gateways/ready" ] && break; sleep 0.1; done
[ -e "$out/gateways/ready" ] || { echo "main: the gateway simulator did not start" >&2; exit 1; }
echo "KNX-Stage at 198.18.0.2 (Version: 2.1), EnOcean-Hall at 198.18.0.3 (Version: 2.0)"

record=$out/scene.rec
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${HALVEX_HEADLESS:-}" ]; then
    step "the dialog for a new scene object (close it with OK to store the record)"
    in_host env DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
        XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}" \
        "$host" configure "$record" --show "$show" --lang en || true
    [ -e "$record" ] && "$host" inspect "$record"
    exit 0
fi

step "1. a new KNX record: bus type KNX, import of $(basename "$esf"), assignments, OK"
in_host "$host" configure "$record" --show "$show" --accept --bus knx --import-esf "$esf" \
    --assign scene1:1:0/0/1 --assign dimmer1:3:1/1/2 --assign device1:1:1/1/2 \
    --screenshots "$out/screenshots"

step "2. inspect the stored record"
"$host" inspect "$record" | tee "$out/inspect.txt" | head -n 40
"$host" inspect "$record" --json >"$out/inspect.json"

step "3. search the gateways"
in_host "$host" search --show "$show" --seconds 2 | tee "$out/search.txt"

step "4. upload to KNX-Stage (198.18.0.2)"
in_host "$host" upload "$record" --show "$show" --to 198.18.0.2 --change-address --seconds 2 \
    | tee "$out/upload.txt"

step "5. the simulator's copy of the image against the scene list and the record's main part"
"$host" check-show "$show" --scene-list "$out/scene-list.bin" >/dev/null
main_length=$(od -An -tu2 -N2 "$record" | tr -d ' ')
{ cat "$out/scene-list.bin"; head -c "$main_length" "$record"; } >"$out/expected-image.bin"
image=$(ls "$out"/gateways/image-198.18.0.2*.bin 2>/dev/null | head -n 1 || true)
if [ -n "$image" ] && cmp -s "$image" "$out/expected-image.bin"; then
    echo "the image arrived intact: $(stat -c %s "$image") bytes = scene list + main part"
else
    echo "main: the image on the simulated gateway differs from the expected one" >&2
    exit 1
fi

step "6. an EnOcean record learns the reported transmitter"
in_host "$host" configure "$out/enocean.rec" --show "$show" --accept --bus enocean --wait 2
"$host" inspect "$out/enocean.rec" | grep -iE 'transmitter|ID' | head -n 5 || true

step "done"
echo "records:      $record, $out/enocean.rec"
echo "screenshots:  $out/screenshots"
ls "$out/screenshots"
echo "simulator:    $out/gateways/simulator.log"
