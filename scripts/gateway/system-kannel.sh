#!/usr/bin/env bash
# Stops and disables the gateway service that Debian's kannel package
# installs: it runs bearerbox (and wapbox) from /etc/kannel/kannel.conf on
# every interface and would hold the WAP ports the test gateway needs.
# Idempotent and quiet when there is nothing to do. Works with and without
# systemd (containers have only /etc/init.d and update-rc.d).
set -uo pipefail

SYS_CONF=/etc/kannel/kannel.conf
SYS_PIDS=/var/run/kannel

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2>/dev/null; then SUDO=(sudo -n); else
    echo "system-kannel: not root and no sudo: cannot disable the kannel service" >&2
  fi
fi

# Disable first, so nothing restarts it behind our back.
if [ -d /run/systemd/system ] && command -v systemctl >/dev/null; then
  if systemctl is-enabled --quiet kannel 2>/dev/null; then
    "${SUDO[@]}" systemctl disable --now kannel >/dev/null 2>&1 || true
  fi
fi
if [ -x /etc/init.d/kannel ] && ls /etc/rc[2-5].d/S*kannel >/dev/null 2>&1; then
  "${SUDO[@]}" update-rc.d kannel disable >/dev/null 2>&1 || true
fi
if [ -f /etc/default/kannel ] && grep -q '^START_' /etc/default/kannel; then
  "${SUDO[@]}" sed -i 's/^START_/#START_/' /etc/default/kannel || true
fi

# Stop what the service started: its own stop action, then any box still
# running from the system configuration (found by its PID files and by its
# command line naming that configuration; never by name alone).
isSystemBox() {
  local pid=$1
  [ -r "/proc/$pid/cmdline" ] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -Eq "(bearerbox|wapbox|smsbox|run_kannel_box).* $SYS_CONF( |\$)"
}
pids=()
for f in "$SYS_PIDS"/*.pid; do
  [ -r "$f" ] || continue
  p=$(tr -dc '0-9' <"$f")
  [ -n "$p" ] && isSystemBox "$p" && pids+=("$p")
done
# Candidates: command lines naming the system configuration; each is then
# checked to be a box, not merely any process mentioning the file.
for p in $(pgrep -f -- "$SYS_CONF" 2>/dev/null); do
  isSystemBox "$p" && pids+=("$p")
done
if [ ${#pids[@]} -gt 0 ]; then
  echo "system-kannel: stopping the system kannel service (pids ${pids[*]})"
  [ -x /etc/init.d/kannel ] && "${SUDO[@]}" /etc/init.d/kannel stop >/dev/null 2>&1
  for p in "${pids[@]}"; do
    isSystemBox "$p" && "${SUDO[@]}" kill -TERM "$p" 2>/dev/null
  done
  for _ in $(seq 50); do
    alive=0
    for p in "${pids[@]}"; do isSystemBox "$p" && alive=1; done
    [ $alive -eq 0 ] && break
    sleep 0.1
  done
  for p in "${pids[@]}"; do
    isSystemBox "$p" && "${SUDO[@]}" kill -KILL "$p" 2>/dev/null
  done
fi
exit 0
