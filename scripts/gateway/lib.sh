# shellcheck shell=bash
# Shared by start.sh and stop.sh: the run's settings, the registry of runs,
# and process checks that know a process by its PID file AND by its command
# line naming the run directory, so a reused PID is never taken for ours.

GW_HOST=${TOVRIN_GATEWAY_HOST:-127.0.0.1}
GW_ADMIN_PORT=${TOVRIN_GATEWAY_ADMIN_PORT:-13900}
GW_BOX_PORT=${TOVRIN_GATEWAY_BOX_PORT:-13902}
GW_ORIGIN_PORT=${TOVRIN_ORIGIN_PORT:-8079}
# The push proxy's PAP submission port (HTTP), and the one push user.
GW_PPG_PORT=${TOVRIN_GATEWAY_PPG_PORT:-13980}
GW_PPG_PATH=/wappush
GW_PPG_USER=tovrin
GW_PPG_PASSWORD=tovrin-push
GW_LOG_LEVEL=${TOVRIN_GATEWAY_LOG_LEVEL:-1}
GW_REGISTRY=${TMPDIR:-/tmp}/tovrin-gateway-runs
PY=/usr/bin/python3

# The services of a run, in the order they are stopped.
GW_SERVICES=(capture wapbox bearerbox origin)

# pidOf RUN NAME: the PID recorded for NAME when that process is alive and
# still ours (its command line names RUN); empty otherwise.
pidOf() {
  local run=$1 name=$2 pid state
  [ -r "$run/$name.pid" ] || return 0
  pid=$(tr -dc '0-9' <"$run/$name.pid")
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)
  [ "$state" = Z ] && return 0
  tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qF "$run/" || return 0
  echo "$pid"
}

# stopService RUN NAME: TERM, then KILL after 5 s; removes the PID file.
stopService() {
  local run=$1 name=$2 pid
  pid=$(pidOf "$run" "$name")
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do
      [ -z "$(pidOf "$run" "$name")" ] && break
      sleep 0.1
    done
    pid=$(pidOf "$run" "$name")
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    for _ in $(seq 20); do
      [ -z "$(pidOf "$run" "$name")" ] && break
      sleep 0.1
    done
  fi
  rm -f "$run/$name.pid"
}

runAlive() {
  local run=$1 s
  for s in "${GW_SERVICES[@]}"; do
    [ -n "$(pidOf "$run" "$s")" ] && return 0
  done
  return 1
}

registryEntry() {
  echo "$GW_REGISTRY/$(printf '%s' "$1" | md5sum | cut -c1-16)"
}

# spawn RUN NAME COMMAND...: starts COMMAND detached (own session, no
# terminal, output to RUN/NAME.out) and records its PID in RUN/NAME.pid.
spawn() {
  local run=$1 name=$2
  shift 2
  setsid "$@" >"$run/$name.out" 2>&1 </dev/null &
  echo $! >"$run/$name.pid"
}

# portHolder PROTO PORT: the ss line of a listener on PORT, if any.
portHolder() {
  if [ "$1" = udp ]; then
    ss -Hlnup "sport = :$2" 2>/dev/null
  else
    ss -Hlntp "sport = :$2" 2>/dev/null
  fi
}

# processStamp PID: "PID STARTTIME", so a recycled PID is not taken for the
# process that once had it.
processStamp() {
  local start
  start=$(awk '{print $22}' "/proc/$1/stat" 2>/dev/null) || return 0
  [ -n "$start" ] && echo "$1 $start"
}

# stampAlive "PID STARTTIME": true while that very process runs.
stampAlive() {
  local pid=${1%% *}
  [ -n "$pid" ] && [ "$(processStamp "$pid")" = "$1" ]
}
