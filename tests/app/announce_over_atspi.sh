#!/usr/bin/env bash
# One announcement through the desktop's accessibility bus, as a screen reader would get it:
# Brumble on a virtual screen, connected to the demo world, with a listener registered for
# text changes; the demo world's greeting must arrive as an object:text-changed:insert event.
# The in-process announcement tests (AnnouncementTest.*) of TESTS run here too: Qt passes events
# on only while assistive technology listens, which the offscreen platform never does.
#   announce_over_atspi.sh BRUMBLE DEMOWORLD TESTS
# Exits 77 (skipped) when the virtual screen or the bus cannot be had on this machine.
set -uo pipefail

brumble="$1"
demoworld="$2"
tests="$3"
skip=77

if [ -z "${BRUMBLE_INSIDE_SESSION_BUS:-}" ]; then
  for tool in Xvfb dbus-run-session dbus-monitor gdbus /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit "$skip"; }
  done
  [ -x /usr/libexec/at-spi-bus-launcher ] || { echo "skipped: no at-spi-bus-launcher"; exit "$skip"; }
  /usr/bin/python3 -c "import dbus" 2>/dev/null || { echo "skipped: no python3-dbus"; exit "$skip"; }
  BRUMBLE_INSIDE_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/brumble-atspi.XXXXXX")"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/run" BRUMBLE_CONFIG_DIR="$work/config" BRUMBLE_NO_TELNET_OFFER=1
mkdir -m 700 "$XDG_RUNTIME_DIR" "$BRUMBLE_CONFIG_DIR"

# A virtual screen on a free display number.
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: Xvfb did not start"; exit "$skip"; }
export DISPLAY=":$(head -n1 "$work/display")"

# The accessibility bus, switched on as a screen reader switches it on.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/launcher.log" 2>&1 &
pids+=($!)
address=""
for _ in $(seq 1 50); do
  address="$(gdbus call --session -d org.a11y.Bus -o /org/a11y/bus -m org.a11y.Bus.GetAddress \
    2>/dev/null | sed -n "s/^('\(.*\)',)$/\1/p")"
  [ -n "$address" ] && break
  sleep 0.1
done
[ -n "$address" ] || { echo "skipped: the accessibility bus did not start"; exit "$skip"; }
gdbus call --session -d org.a11y.Bus -o /org/a11y/bus -m org.freedesktop.DBus.Properties.Set \
  org.a11y.Status ScreenReaderEnabled "<true>" >/dev/null || exit 1

dbus-monitor --address "$address" \
  "type='signal',interface='org.a11y.atspi.Event.Object',member='TextChanged'" \
  >"$work/events" 2>&1 &
pids+=($!)
# The registry forgets a listener whose connection closes, so the listener stays connected.
/usr/bin/python3 - "$address" >"$work/listener.log" 2>&1 <<'PY' &
import sys, time
import dbus
bus = dbus.bus.BusConnection(sys.argv[1])
bus.call_blocking("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                  "org.a11y.atspi.Registry", "RegisterEvent", "sass",
                  ("object:text-changed", [], ""))
print("listening", flush=True)
time.sleep(600)
PY
pids+=($!)
for _ in $(seq 1 50); do grep -q listening "$work/listener.log" && break; sleep 0.1; done
grep -q listening "$work/listener.log" || { echo "skipped: no listener"; cat "$work/listener.log"; exit "$skip"; }

QT_QPA_PLATFORM=xcb "$tests" --gtest_filter='AnnouncementTest.*' >"$work/tests.log" 2>&1
status=$?
if [ "$status" -ne 0 ] || grep -q SKIPPED "$work/tests.log"; then
  echo "the announcement tests failed or were skipped with the bus running:"
  cat "$work/tests.log"
  exit 1
fi
grep -E '^\[ +(OK|PASSED) +\]' "$work/tests.log"

"$demoworld" --port 0 >"$work/demoworld.log" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 1 50); do
  port="$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/demoworld.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the demo world did not start"; cat "$work/demoworld.log"; exit 1; }

QT_QPA_PLATFORM=xcb "$brumble" 127.0.0.1 "$port" >"$work/brumble.log" 2>&1 &
pids+=($!)

for _ in $(seq 1 200); do
  if grep -A4 '"insert"' "$work/events" | grep -q "Welcome to the Brumble demo world"; then
    echo "announced: $(grep -m1 -o 'Welcome to the Brumble demo world!' "$work/events")"
    exit 0
  fi
  sleep 0.1
done
echo "no text-changed:insert event with the demo world's greeting; events seen:"
head -c 4000 "$work/events"
echo "Brumble's output:"
cat "$work/brumble.log"
exit 1
