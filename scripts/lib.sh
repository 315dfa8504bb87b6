# Shared helpers of the scripts: package installation and CMake configuration.
# Sourced, not run.

# Debian packages the build, the tests and the demo need.
ORVEX_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format ccache
  qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev qt6-l10n-tools
  g++-mingw-w64-x86-64-posix dpkg-dev file
  libboost-dev libboost-context-dev libboost-coroutine-dev libboost-filesystem-dev
  libboost-system-dev libboost-thread-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool imagemagick
)

# Installs whatever of ORVEX_PACKAGES is missing (idempotent; sudo when not root).
ensure_packages() {
  local missing=()
  for p in "${ORVEX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# configure DIR [cmake args...]: Ninja build in DIR, ccache when present.
configure() {
  local dir=$1
  shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

# Loopback-only networking for everything started from these scripts.
export ORVEX_NET_GUARD=loopback

# demo_settings FILE: points a Settings.xml at the simulator (search address
# and control board on loopback), creating the file when it is missing.
demo_settings() {
  local file=$1
  if [ ! -f "$file" ]; then
    cat >"$file" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<root>
    <Program>
        <Connection>
            <Ethernet>
                <Mask>127.255.255.255</Mask>
            </Ethernet>
            <ControlBoardAddress>127.0.0.20</ControlBoardAddress>
        </Connection>
    </Program>
</root>
XML
  else
    sed -i 's|<Mask>[^<]*</Mask>|<Mask>127.255.255.255</Mask>|; s|<ControlBoardAddress>[^<]*</ControlBoardAddress>|<ControlBoardAddress>127.0.0.20</ControlBoardAddress>|' "$file"
  fi
}

# demo_crawler_settings FILE: points the crawler panel's further fixed-address
# link at loopback in SettingsCrawler.xml, creating the file when it is missing.
demo_crawler_settings() {
  local file=$1
  if [ ! -f "$file" ]; then
    cat >"$file" <<'XML'
<?xml version="1.0" encoding="utf-8"?>
<root>
    <CrawlerSettings>
        <fixed_link_address>127.0.0.146</fixed_link_address>
    </CrawlerSettings>
</root>
XML
  elif grep -q '<fixed_link_address>' "$file"; then
    sed -i 's|<fixed_link_address>[^<]*</fixed_link_address>|<fixed_link_address>127.0.0.146</fixed_link_address>|' "$file"
  else
    sed -i 's|<CrawlerSettings>|<CrawlerSettings>\n        <fixed_link_address>127.0.0.146</fixed_link_address>|' "$file"
  fi
}

# Let ccache share results between clones of the repository (CI builds a
# fresh clone every time): paths below the checkout are hashed relative to it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
