#!/usr/bin/env bash
# Runs a command against a private sound server with no real sound card and no session
# bus, so it can listen to the voices without disturbing the user's own server.
#   speech_test.sh COMMAND...         the only output is a null sink (record its monitor);
#   speech_test.sh --pipe COMMAND...  the only output is a pipe sink whose samples (mono
#                                     16-bit, 16 kHz) are the command's standard input.
set -euo pipefail

pipe=0
if [ "${1:-}" = --pipe ]; then pipe=1; shift; fi
for tool in pulseaudio pactl parec; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps --test" >&2; exit 1; }
done

runtime=$(mktemp -d)
export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse"
export HOME="$runtime" XDG_CONFIG_HOME="$runtime/config"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE
trap 'pulseaudio --kill 2>/dev/null || true; rm -rf "$runtime"' EXIT

sink="module-null-sink sink_name=nuvo_test"
[ $pipe = 1 ] && sink="module-pipe-sink sink_name=nuvo_test file=$runtime/played format=s16le rate=16000 channels=1 use_system_clock_for_timing=yes"
# As root pulseaudio only warns that it is meant for users, which is fine for this
# private instance.
pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
  --load=module-native-protocol-unix --load="$sink"
pactl set-default-sink nuvo_test

if [ $pipe = 1 ]; then "$@" <"$runtime/played"; else "$@"; fi
