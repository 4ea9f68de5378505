#!/usr/bin/env bash
# Starts Brumble from a build folder: `run.sh BUILD [HOST [PORT]]` (what `make run` calls).
# Without a host it first starts the bundled demo world on a free port of 127.0.0.1, opens
# Brumble on it, and stops the demo world again when Brumble exits.
set -euo pipefail

build="${1:-build}"
host="${2:-}"
port="${3:-}"

brumble="$build/brumble"
demoworld="$build/tools/demoworld"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: Brumble is a desktop program and needs a graphical display," >&2
  echo "run: but neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
  echo "run: On a machine without a screen, try: xvfb-run -a make run" >&2
  exit 1
fi

if [ ! -x "$brumble" ]; then
  echo "run: $brumble is missing; build first (make build-run BUILD=$build)" >&2
  exit 1
fi

# The start-up question about telnet: links would only be in the way here.
export BRUMBLE_NO_TELNET_OFFER=1

if [ -n "$host" ]; then
  if [ -n "$port" ]; then
    exec "$brumble" "$host" "$port"
  fi
  exec "$brumble" "$host"
fi

if [ ! -x "$demoworld" ]; then
  echo "run: $demoworld is missing; build first (make build-run BUILD=$build)" >&2
  exit 1
fi

log="$(mktemp "${TMPDIR:-/tmp}/demoworld.XXXXXX")"
demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ] && kill -0 "$demo_pid" 2>/dev/null; then
    kill "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi
  rm -f "$log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Try ports from 4000 up until the demo world says it is listening on one.
for candidate in $(seq 4000 4099); do
  if port_in_use "$candidate"; then
    continue
  fi
  : >"$log"
  "$demoworld" --port "$candidate" >"$log" 2>&1 &
  demo_pid=$!
  for _ in $(seq 1 50); do
    if grep -q "listening on 127.0.0.1:$candidate" "$log"; then
      port="$candidate"
      break 2
    fi
    if ! kill -0 "$demo_pid" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  kill "$demo_pid" 2>/dev/null || true
  wait "$demo_pid" 2>/dev/null || true
  demo_pid=""
done

if [ -z "$port" ]; then
  echo "run: the demo world could not be started (see its output below)" >&2
  cat "$log" >&2
  exit 1
fi

echo "run: demo world on 127.0.0.1:$port (stopped when Brumble exits)"
status=0
"$brumble" 127.0.0.1 "$port" || status=$?
exit "$status"
