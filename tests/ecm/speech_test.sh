#!/usr/bin/env bash
# Runs the voice tests ($1) against a private sound server whose only output is a null
# sink, so they can listen to the voices without a sound card or the user's own server.
set -euo pipefail

for tool in pulseaudio pactl parec; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps" >&2; exit 1; }
done

runtime=$(mktemp -d)
export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse"
export HOME="$runtime" XDG_CONFIG_HOME="$runtime/config"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE
trap 'pulseaudio --kill 2>/dev/null || true; rm -rf "$runtime"' EXIT

# -n: no default modules, so no real sound card and no session bus. As root pulseaudio
# only warns that it is meant for users, which is fine for this private instance.
pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
  --load=module-native-protocol-unix \
  --load="module-null-sink sink_name=nuvo_test"
pactl set-default-sink nuvo_test

"$1"
