#!/usr/bin/env bash
# xdo-agent.sh DIR: runs xdotool for a test program under Wine, which cannot start Linux
# programs itself. The test writes DIR/<n>.req holding xdotool's arguments; the agent runs
# them and answers with DIR/<n>.done holding xdotool's exit status.
dir=${1:?usage: xdo-agent.sh DIR}
shopt -s nullglob
while [ -d "$dir" ]; do
  for request in "$dir"/*.req; do
    name=${request%.req}
    read -r -a arguments < "$request"
    rm -f "$request"
    xdotool "${arguments[@]}" >/dev/null 2>&1
    echo $? > "$name.tmp" && mv "$name.tmp" "$name.done"
  done
  sleep 0.02
done
