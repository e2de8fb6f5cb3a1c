# Shared by the scripts under scripts/ and bench/run: source it, do not run it.
#
#   install_missing PACKAGE...          installs the Debian packages not yet installed
#   configure_preset PRESET DIR [ARG...] configures DIR through a preset of CMakePresets.json
#   find_wine                           sets wine64 and wineserver to Wine's programs
#   start_wine_prefix                   makes $WINEPREFIX with one wine server that stays
#
# Messages name the script that sourced this file.

rq_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
rq_me=$(basename "$0")

# Installs those of the given Debian packages that are not installed, quietly, with sudo when not
# root. Packages already there are not touched, so calling it costs nothing on a set-up machine.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "$rq_me: installing ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# Configures DIR with the named configure preset, plus any further cmake arguments. Runs every
# time: CMake only regenerates when something changed, and the preset's values replace whatever
# an earlier configure line left in the cache. A directory last configured through another
# preset, or by hand, is configured afresh (the compiler, generator or toolchain file of a build
# tree cannot be changed in place); its object files stay, so only what differs is rebuilt.
# With CI=true warnings are errors in every build.
configure_preset() {
  local preset=$1 dir
  dir=$(realpath -m "$2")
  shift 2
  local args=(--preset "$preset" -B "$dir")
  [ "${CI:-}" = true ] && args+=(-DRQ_WERROR=ON)
  local stamp="$dir/rq-preset"
  if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$preset" ]; then
    echo "$rq_me: $dir was not configured with the preset $preset; configuring it afresh" >&2
    args+=(--fresh)
  fi
  (cd "$rq_root" && cmake "${args[@]}" "$@" >/dev/null) || return 1
  echo "$preset" >"$stamp"
}

# Sets wine64 and wineserver to the paths of Debian's Wine programs, each empty when not found.
find_wine() {
  wine64=$(command -v wine64 || true)
  [ -z "$wine64" ] && [ -x /usr/lib/wine/wine64 ] && wine64=/usr/lib/wine/wine64
  wineserver=$(command -v wineserver || true)
  [ -z "$wineserver" ] && [ -x /usr/lib/wine/wineserver64 ] && wineserver=/usr/lib/wine/wineserver64
  return 0
}

# Makes the Wine prefix $WINEPREFIX with one wine server that stays until `wineserver -k`, so
# that each program starts in a fraction of a second and none starts while the server is going
# away. The server is started before anything else runs in the prefix: started later, -p finds
# the server of wineboot still lingering and quits at once, and that server then exits between
# two programs; the next one dies with "recvmsg: Connection reset by peer", or the Wine services
# it restarts hold its output open. Needs find_wine first.
start_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ -n "$wineserver" ]; then "$wineserver" -p >/dev/null 2>&1 || true; fi
  "$wine64" wineboot --init >/dev/null 2>&1 || true  # a new prefix's own chatter is no finding
}
