# Shared by scripts/run and scripts/test: the Debian packages Toneloom needs and
# a function that installs the missing ones.

TONELOOM_PACKAGES=(
  cmake ninja-build ccache g++ clang clang-format libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
  libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth
  dpkg-dev desktop-file-utils libglib2.0-bin shared-mime-info
)

toneloom_root_dir() {
  cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd
}

toneloom_install_packages() {
  local missing=()
  for p in "${TONELOOM_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  # jackd2 asks about realtime priority; take the default without a prompt.
  echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections 2>/dev/null || true
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
