# Sourced by the set-up scripts: installs Debian packages while a mirror may be mid-sync.
# An index that fails to download leaves apt with its older copy, so a failed `apt-get update` is
# retried and then tolerated; only a package that cannot be installed ends the set-up.
# ORVANE_APT_TRIES (default 3) and ORVANE_APT_PAUSE (seconds, default 20) tune the retries. Another
# apt or dpkg run on the machine is waited for (up to ten minutes) rather than taken for a failure.

apt_lock_wait=(-o DPkg::Lock::Timeout=600)

# Prints the packages of the arguments that are not installed.
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# Refreshes the package indexes, retrying; never fails.
update_indexes() {
  local tries=${ORVANE_APT_TRIES:-3} try
  for ((try = 1; try <= tries; try++)); do
    apt-get update -qq "${apt_lock_wait[@]}" && return 0
    echo "apt-get update failed (try $try of $tries)" >&2
    [ "$try" -lt "$tries" ] && sleep "${ORVANE_APT_PAUSE:-20}"
  done
  echo "apt-get update still fails: going on with the indexes apt has" >&2
  return 0
}

# install_packages [APT_OPTION...] -- PACKAGE...: installs the packages that are missing, refreshing
# the indexes and retrying when the install fails (a download may fail mid-sync too). Fails when
# they still cannot be installed.
install_packages() {
  local options=() missing tries=${ORVANE_APT_TRIES:-3} try
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  shift || true
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  export DEBIAN_FRONTEND=noninteractive
  for ((try = 1; try <= tries; try++)); do
    update_indexes
    apt-get install -y -qq "${apt_lock_wait[@]}" "${options[@]}" "${missing[@]}" && return 0
    echo "apt-get install ${missing[*]} failed (try $try of $tries)" >&2
    [ "$try" -lt "$tries" ] && sleep "${ORVANE_APT_PAUSE:-20}"
  done
  return 1
}
