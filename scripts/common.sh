# Shared by ./run and ./test: install what is missing, then configure and build into build/.
# Sourced, not run.

BANKFILE_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools
  libsqlcipher-dev sqlcipher sqlite3
  libxml2-dev zlib1g-dev libminizip-dev
  mdbtools-dev libxlsxwriter-dev python3-dbf
  libbenchmark-dev libicu-dev
  python3-xlwt python3-xlrd python3-openpyxl python3-odf python3-docx
  fonts-noto-core fonts-dejavu-core fonts-noto-mono
)

bankfile_install_deps() {
  local missing=()
  local p
  for p in "${BANKFILE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing. Install them, then run this command again:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || { echo "apt-get update failed" >&2; exit 1; }
  apt-get install -y -qq "${missing[@]}" || { echo "apt-get install failed" >&2; exit 1; }
}

# bankfile_build ROOT [TARGET...]: configure when needed, then build the targets (all when none).
bankfile_build() {
  local root="$1"
  shift
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  if [ ! -f "$root/build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
  fi
  if [ $# -gt 0 ]; then
    cmake --build "$root/build" -j "$jobs" --target "$@" || exit 1
  else
    cmake --build "$root/build" -j "$jobs" || exit 1
  fi
}
